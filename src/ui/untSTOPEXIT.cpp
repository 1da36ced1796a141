#include "untSTOPEXIT.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmExit::TfrmExit(QWidget* parent) : QDialog(parent) {
  setObjectName("frmExit");
  setWindowTitle(QString::fromUtf8("Stoppen met uitvoering"));
  // No system menu, minimise or close button: only "OK, stoppen" ends it.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setModal(true);

  mmSTOPEXIT = new QPlainTextEdit(this);
  mmSTOPEXIT->setObjectName("mmSTOPEXIT");
  mmSTOPEXIT->setReadOnly(true);
  auto* label = new QLabel(
      QString::fromUtf8("Stop pas als alle DOS-boxen zijn verdwenen of beeindigd !"), this);
  bttnOKSTOP = new QPushButton(QString::fromUtf8("OK, stoppen"), this);
  bttnOKSTOP->setObjectName("bttnOKSTOP");
  connect(bttnOKSTOP, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(mmSTOPEXIT);
  layout->addWidget(label);
  layout->addWidget(bttnOKSTOP, 0, Qt::AlignHCenter);
  resize(520, 320);
}

void TfrmExit::showLines(const std::vector<std::string>& lines) {
  mmSTOPEXIT->clear();
  for (const std::string& line : lines) mmSTOPEXIT->appendPlainText(QString::fromStdString(line));
}

void TfrmExit::reject() {}
