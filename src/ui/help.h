// The help system: the help text that ships inside the program, as named
// topics ("PHREATIX._C_001" and others), a help window that shows one topic
// at a time, and the help context numbers the windows set.
//
// Core code and windows select topics as a run goes on; that never opens a
// window. Only the user opens the help window (menu "Help"); while it is open
// it follows the selected topic.
#pragma once

#include <map>
#include <string>
#include <vector>

#include <QPointer>
#include <QString>

class QDialog;
class QListWidget;
class QTextBrowser;
class QWidget;

namespace phreatix::ui {

inline constexpr const char* kHelpContents = "PHREATIX.TOC000";

class HelpSystem {
 public:
  HelpSystem();
  ~HelpSystem();
  HelpSystem(const HelpSystem&) = delete;
  HelpSystem& operator=(const HelpSystem&) = delete;

  // The topic names in the order of the contents, the contents first.
  const std::vector<std::string>& topicNames() const { return order_; }
  bool hasTopic(const std::string& name) const { return topics_.count(name) != 0; }
  // Title and text (rich text) of a topic; empty for a name without topic.
  QString topicTitle(const std::string& name) const;
  QString topicText(const std::string& name) const;

  // Makes `name` the current topic and turns an open help window to it; no
  // window is opened. A name the help text does not hold changes nothing and
  // gives false.
  bool selectTopic(const std::string& name);
  const std::string& currentTopic() const { return current_; }

  // Shows the help window at the current topic, creating it over `parent`
  // the first time. The window is not modal; closing it only hides it.
  void open(QWidget* parent = nullptr);
  bool isOpen() const;
  // The help window, null until the first open(); owned by the help system
  // or, once given one, by its parent.
  QDialog* window() const { return window_.data(); }

 private:
  struct Topic {
    QString title;
    QString text;
  };

  void createWindow(QWidget* parent);
  void showCurrent();

  std::map<std::string, Topic> topics_;
  std::vector<std::string> order_;
  std::string current_ = kHelpContents;
  QPointer<QDialog> window_;
  QListWidget* topicList_ = nullptr;  // children of window_
  QTextBrowser* topicView_ = nullptr;
};

}  // namespace phreatix::ui
