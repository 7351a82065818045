#pragma once
// What the window is made of, by name: the builders (window_layout, window_menu) fill it, the
// window and its helpers read it. Every widget is owned by the window's widget tree, never by
// the registry; the registry only finds them.

#include <map>
#include <string>
#include <utility>
#include <vector>

class QAction;
class QListWidget;
class QPlainTextEdit;
class QSplitter;
class QTabWidget;
class QWidget;

namespace capcode::ui {

class LedgerStatusLine;

struct WindowRegistry {
  // Each control's widget, by the control's name; a page's controls once the page is made.
  std::map<std::string, QWidget*> widgets;
  // Each menu item, by the control's name.
  std::map<std::string, QAction*> actions;
  // Each page's scroll area, by the page's name; its content is made when first needed.
  std::map<std::string, QWidget*> pages;
  // Labels of the design that are not controls of their own: shown while their control is.
  std::vector<std::pair<QWidget*, std::string>> followers;
  QTabWidget* tabs = nullptr;              // PageControl1
  QSplitter* split = nullptr;              // the pages over the log and the device list
  QPlainTextEdit* log = nullptr;           // Memo1: the status log
  QListWidget* devices = nullptr;          // DevListBox: the programmer boxes present
  LedgerStatusLine* ledgerLine = nullptr;  // the ledger at a glance, under the log
};

}  // namespace capcode::ui
