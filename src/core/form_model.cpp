#include "core/form_model.hpp"

#include <algorithm>
#include <stdexcept>

namespace capcode {

namespace {
constexpr std::string_view kFolderSuffixes = "0123456789ABCDEFGHIJKLMN";
}

char folderSuffix(int folder) {
  if (folder < 0 || folder >= kFolders) throw std::out_of_range("folder number out of range");
  return kFolderSuffixes[static_cast<std::size_t>(folder)];
}

char toneLetter(int tone) {
  if (tone < 0 || tone >= kFunctionTones) throw std::out_of_range("tone out of range");
  return static_cast<char>('A' + tone);
}

std::string rowControlName(std::string_view prefix, int row, std::string_view suffix) {
  std::string name(prefix);
  name += std::to_string(row);
  name += suffix;
  return name;
}

std::string folderControlName(std::string_view prefix, int folder) {
  std::string name(prefix);
  name += folderSuffix(folder);
  return name;
}

Control& FormModel::add(Control control) {
  if (controls_.count(control.name) != 0) {
    throw std::logic_error("control defined twice: " + control.name);
  }
  auto owned = std::make_unique<Control>(std::move(control));
  Control* raw = owned.get();
  controls_.emplace(raw->name, std::move(owned));
  order_.push_back(raw);
  return *raw;
}

bool FormModel::has(std::string_view name) const {
  return controls_.find(name) != controls_.end();
}

Control* FormModel::find(std::string_view name) {
  auto it = controls_.find(name);
  return it == controls_.end() ? nullptr : it->second.get();
}

const Control* FormModel::find(std::string_view name) const {
  auto it = controls_.find(name);
  return it == controls_.end() ? nullptr : it->second.get();
}

Control& FormModel::at(std::string_view name) {
  if (Control* c = find(name)) return *c;
  throw std::out_of_range("no control named " + std::string(name));
}

const Control& FormModel::at(std::string_view name) const {
  if (const Control* c = find(name)) return *c;
  throw std::out_of_range("no control named " + std::string(name));
}

Control& FormModel::row(std::string_view prefix, int row, std::string_view suffix) {
  return at(rowControlName(prefix, row, suffix));
}

Control& FormModel::folder(std::string_view prefix, int folder) {
  return at(folderControlName(prefix, folder));
}

bool FormModel::reachable(std::string_view name) const {
  const Control* c = find(name);
  // A hidden menu item still answers to its shortcut; a disabled one does not.
  if (c != nullptr && c->kind == ControlKind::MenuItem) return c->enabled;
  // A parent chain is short (field, group, page); the bound guards against a cycle by mistake.
  for (int depth = 0; c != nullptr && depth < 16; ++depth) {
    if (!c->enabled || !c->visible) return false;
    if (c->parent.empty()) return true;
    c = find(c->parent);
  }
  return c == nullptr;
}

void FormModel::setText(std::string_view name, std::string value) {
  Control& c = at(name);
  if (c.text == value) return;
  c.text = std::move(value);
  run(c.onChange);
}

void FormModel::clearThenInsert(std::string_view name, std::string_view value) {
  Control& c = at(name);
  setText(name, std::string());
  std::string_view kept = value;
  if (c.maxLength != 0 && kept.size() > c.maxLength) kept = kept.substr(0, c.maxLength);
  setText(name, std::string(kept));
}

void FormModel::setChecked(std::string_view name, bool on) {
  Control& c = at(name);
  if (c.checked == on) return;
  c.checked = on;
  run(c.onClick);
}

void FormModel::setPosition(std::string_view name, int position) {
  Control& c = at(name);
  position = std::clamp(position, c.minimum, c.maximum);
  if (c.position == position) return;
  c.position = position;
  run(c.onChange);
}

void FormModel::setIndex(std::string_view name, int index) {
  Control& c = at(name);
  c.index = (index >= 0 && index < static_cast<int>(c.items.size())) ? index : -1;
}

void FormModel::setItems(std::string_view name, std::vector<std::string> items) {
  Control& c = at(name);
  c.items = std::move(items);
  if (c.index >= static_cast<int>(c.items.size())) c.index = -1;
}

void FormModel::deleteItem(std::string_view name, int index) {
  Control& c = at(name);
  if (index < 0 || index >= static_cast<int>(c.items.size())) return;
  c.items.erase(c.items.begin() + index);
  if (c.index == index) {
    c.index = -1;
  } else if (c.index > index) {
    --c.index;
  }
}

void FormModel::insertItem(std::string_view name, int index, std::string item) {
  Control& c = at(name);
  if (index < 0 || index > static_cast<int>(c.items.size())) return;
  c.items.insert(c.items.begin() + index, std::move(item));
  if (c.index >= index) ++c.index;
}

void FormModel::setCaption(std::string_view name, std::string caption) {
  Control& c = at(name);
  c.caption = std::move(caption);
  c.hasCaption = true;
}

std::size_t FormModel::userKey(std::string_view name, char key, std::optional<Caret> caret) {
  Control& c = at(name);
  const std::string before = c.text;
  if (c.onKeyPress) c.onKeyPress(key);
  // A filter that edited the text itself leaves the caret at the end of it.
  if (c.text != before) caret.reset();
  std::size_t end = c.text.size();
  if (key == 0 || c.readOnly) return end;

  if (c.kind == ControlKind::Choice) {
    // A list's edit part: the typed text selects the item it spells, if any.
    std::string typed = c.selectedItem();
    if (key == '\b') {
      if (!typed.empty()) typed.pop_back();
    } else if (c.maxLength == 0 || typed.size() < c.maxLength) {
      typed += key;
    }
    int found = -1;
    for (std::size_t i = 0; i < c.items.size(); ++i) {
      if (c.items[i] == typed) found = static_cast<int>(i);
    }
    if (found != c.index) {
      c.index = found;
      run(c.onChange);
    }
    return 0;
  }

  if (c.kind != ControlKind::Text) return end;
  std::string next = c.text;
  std::size_t at = caret ? std::min(caret->position, next.size()) : next.size();
  const std::size_t selected = caret ? std::min(caret->selected, next.size() - at) : 0;
  next.erase(at, selected);  // typing replaces the selection
  if (key == '\b') {
    if (selected == 0) {
      if (at == 0) return at;
      next.erase(--at, 1);
    }
  } else {
    if (c.maxLength != 0 && next.size() >= c.maxLength) return caret ? caret->position : end;
    next.insert(at++, 1, key);
  }
  setText(name, std::move(next));
  return at;
}

void FormModel::userType(std::string_view name, std::string_view text) {
  for (char ch : text)
    userKey(name, ch);
}

void FormModel::userPick(std::string_view name, int index) {
  Control& c = at(name);
  if (index < 0 || index >= static_cast<int>(c.items.size())) {
    throw std::out_of_range("no item " + std::to_string(index) + " in " + c.name);
  }
  c.index = index;
  run(c.onChange);
}

void FormModel::userClick(std::string_view name) {
  Control& c = at(name);
  if (c.kind == ControlKind::Flag) {
    c.checked = !c.checked;
  }
  run(c.onClick);
}

void FormModel::leave(std::string_view name) {
  run(at(name).onExit);
}

void FormModel::attach(ControlEvent event, std::string_view control, std::string handlerName,
                       Rule rule) {
  Control& c = at(control);
  handlers_[handlerName] = rule;
  // The control calls through the handler table, so a later replacement reaches both ways in.
  Rule viaTable = [this, handlerName] { runHandler(handlerName); };
  switch (event) {
    case ControlEvent::Change:
      c.onChange = viaTable;
      break;
    case ControlEvent::Click:
      c.onClick = viaTable;
      break;
    case ControlEvent::Exit:
      c.onExit = viaTable;
      break;
    case ControlEvent::KeyPress:
      throw std::logic_error("use attachKeyFilter for key filters");
  }
}

void FormModel::attach(ControlEvent event, std::string_view control, Rule rule) {
  static const char* const kSuffix[] = {"Change", "Click", "Exit", "KeyPress"};
  attach(event, control, std::string(control) + kSuffix[static_cast<int>(event)], std::move(rule));
}

void FormModel::attachKeyFilter(std::string_view control, KeyFilter filter) {
  at(control).onKeyPress = std::move(filter);
}

void FormModel::defineHandler(std::string name, Rule rule) {
  handlers_[name] = std::move(rule);
}

bool FormModel::hasHandler(std::string_view name) const {
  return handlers_.find(name) != handlers_.end();
}

Rule FormModel::handler(std::string_view name) const {
  auto it = handlers_.find(name);
  return it == handlers_.end() ? Rule() : it->second;
}

bool FormModel::runHandler(std::string_view name) {
  auto it = handlers_.find(name);
  if (it == handlers_.end()) return false;
  // Copy first: a handler may replace itself while it runs.
  Rule rule = it->second;
  run(rule);
  return true;
}

std::vector<std::string> FormModel::handlerNames() const {
  std::vector<std::string> names;
  names.reserve(handlers_.size());
  for (const auto& [name, rule] : handlers_)
    names.push_back(name);
  return names;
}

}  // namespace capcode
