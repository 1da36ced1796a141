#include "untAbout.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "settings/session_settings.h"

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent) {
  setObjectName("frmAbout");
  setWindowTitle(QString::fromUtf8("Over Phreatix"));
  setModal(true);

  lblProgramma = new QLabel(QString::fromUtf8("Phreatix"), this);
  lblProgramma->setObjectName("lblProgramma");
  QFont nameFont = lblProgramma->font();
  nameFont.setPointSizeF(nameFont.pointSizeF() * 2);
  nameFont.setBold(true);
  lblProgramma->setFont(nameFont);

  lblVersie =
      new QLabel(QString::fromUtf8("Versie ") + QString::fromUtf8(phreatix::kVersion), this);
  lblVersie->setObjectName("lblVersie");

  lblDoel = new QLabel(
      QString::fromUtf8("Calibratie van een transfer-ruismodel met Kalman-filter op gemeten "
                        "grondwaterstanden van DINO- en OLGA-buizen, en daaruit "
                        "klimaatrepresentatieve karakteristieken: GHG, GLG, GVG, regimecurve "
                        "en duurlijn."),
      this);
  lblDoel->setObjectName("lblDoel");
  lblDoel->setWordWrap(true);

  bttnOK = new QPushButton(QString::fromUtf8("OK"), this);
  bttnOK->setObjectName("bttnOK");
  bttnOK->setDefault(true);
  connect(bttnOK, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblProgramma, 0, Qt::AlignHCenter);
  layout->addWidget(lblVersie, 0, Qt::AlignHCenter);
  layout->addSpacing(12);
  layout->addWidget(lblDoel);
  layout->addStretch(1);
  layout->addWidget(bttnOK, 0, Qt::AlignHCenter);
  resize(420, 240);
}
