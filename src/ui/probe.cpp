#include "probe.h"

#include <cstdlib>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSaveFile>
#include <QStatusBar>
#include <QTableWidget>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QWidget>

namespace phreatix::ui {

namespace {

QString oneLine(QString text) {
  text.replace('\t', ' ');
  text.replace('\n', " | ");
  return text;
}

QString name(const QWidget* w) {
  return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                   : w->objectName();
}

void describe(const QWidget* window, QStringList& lines) {
  const QString owner = name(window);
  for (const QWidget* w : window->findChildren<QWidget*>()) {
    if (!w->isVisible() || w->window() != window) continue;
    if (const auto* b = qobject_cast<const QAbstractButton*>(w)) {
      const QPoint centre = b->mapToGlobal(b->rect().center());
      lines << QStringList{"button",
                           owner,
                           name(b),
                           b->isEnabled() ? "1" : "0",
                           QString::number(centre.x()),
                           QString::number(centre.y()),
                           oneLine(b->text()),
                           b->isChecked() ? "checked" : "-"}
                   .join('\t');
    } else if (const auto* edit = qobject_cast<const QLineEdit*>(w)) {
      const QPoint centre = edit->mapToGlobal(edit->rect().center());
      lines << QStringList{"edit",
                           owner,
                           name(edit),
                           edit->isEnabled() ? "1" : "0",
                           QString::number(centre.x()),
                           QString::number(centre.y()),
                           oneLine(edit->text())}
                   .join('\t');
    } else if (const auto* l = qobject_cast<const QLabel*>(w)) {
      if (!l->text().isEmpty())
        lines << QStringList{"label", owner, name(l), oneLine(l->text())}.join('\t');
    } else if (const auto* e = qobject_cast<const QPlainTextEdit*>(w)) {
      lines << QStringList{"lines", owner, name(e), QString::number(e->blockCount()),
                           oneLine(e->document()->lastBlock().text())}
                   .join('\t');
    } else if (const auto* list = qobject_cast<const QListWidget*>(w)) {
      lines << QStringList{"lines", owner, name(list), QString::number(list->count()),
                           list->count() ? oneLine(list->item(list->count() - 1)->text()) : ""}
                   .join('\t');
    } else if (const auto* table = qobject_cast<const QTableWidget*>(w)) {
      lines << QStringList{"lines", owner, name(table), QString::number(table->rowCount()), ""}
                   .join('\t');
    } else if (const auto* gauge = qobject_cast<const QProgressBar*>(w)) {
      lines << QStringList{"gauge", owner, name(gauge), QString::number(gauge->value())}.join('\t');
    } else if (const auto* bar = qobject_cast<const QStatusBar*>(w)) {
      lines << QStringList{"label", owner, name(bar), oneLine(bar->currentMessage())}.join('\t');
    }
  }
}

// The dynamic property on a list that holds how often its contents changed.
constexpr char kChanges[] = "phreatixProbeChanges";

void countChange(QObject* list) {
  list->setProperty(kChanges, list->property(kChanges).toLongLong() + 1);
}

// Counts every change of the lists of every window, shown or hidden, from the
// first picture on: a list that moved and went away or came back to its old
// length between two pictures still shows that it moved.
void watchLists(QStringList& lines) {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    const QString owner = name(window);
    for (QWidget* w : window->findChildren<QWidget*>()) {
      if (w->window() != window) continue;
      auto* e = qobject_cast<QPlainTextEdit*>(w);
      auto* list = qobject_cast<QListWidget*>(w);
      if (!e && !list) continue;
      if (!w->property(kChanges).isValid()) {
        w->setProperty(kChanges, 0LL);
        if (e) {
          QObject::connect(e->document(), &QTextDocument::contentsChanged, w,
                           [w] { countChange(w); });
        } else {
          QAbstractItemModel* model = list->model();
          QObject::connect(model, &QAbstractItemModel::rowsInserted, w, [w] { countChange(w); });
          QObject::connect(model, &QAbstractItemModel::rowsRemoved, w, [w] { countChange(w); });
          QObject::connect(model, &QAbstractItemModel::dataChanged, w, [w] { countChange(w); });
          QObject::connect(model, &QAbstractItemModel::modelReset, w, [w] { countChange(w); });
        }
      }
      lines << QStringList{"changes", owner, name(w), w->property(kChanges).toString()}.join('\t');
    }
  }
}

}  // namespace

QString uiProbeText() {
  QStringList lines;
  const QWidget* modal = QApplication::activeModalWidget();
  const QWidget* active = QApplication::activeWindow();
  for (const QWidget* window : QApplication::topLevelWidgets()) {
    if (!window->isVisible()) continue;
    lines << QStringList{"window",
                         name(window),
                         QString("0x%1").arg(window->winId(), 0, 16),
                         window == modal ? "modal" : "-",
                         window == active ? "active" : "-",
                         oneLine(window->windowTitle())}
                 .join('\t');
    describe(window, lines);
  }
  watchLists(lines);
  return lines.join('\n') + '\n';
}

void startUiProbe() {
  const char* path = std::getenv("PHREATIX_UI_PROBE");
  if (!path || !*path) return;
  auto* timer = new QTimer(QCoreApplication::instance());
  const QString target = QString::fromLocal8Bit(path);
  QObject::connect(timer, &QTimer::timeout, [target] {
    // The count lets a reader wait for a picture taken after its own action.
    static long long tick = 0;
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly)) return;
    file.write("tick\t" + QByteArray::number(++tick) + "\n" + uiProbeText().toUtf8());
    file.commit();
  });
  timer->start(250);
}

}  // namespace phreatix::ui
