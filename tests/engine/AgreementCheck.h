// A checker of units against forms over a whole tree, written apart from the
// engine's own reading: it reads the class declarations of the units (each
// field "Name: TClass;" and the parent in "class(TParent)") and the object
// trees of the text forms, and lists every place where a form would stream
// a class its field does not hold:
//   - an object of a form whose root class (or an ancestor of it) declares a
//     field of that name with another class;
//   - an `inherited` object whose counterpart in the ancestor's form (for
//     one inside an `inline` frame: in the frame's form) has another class.
#pragma once

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace zan::test {

inline std::string UpperAscii(std::string text) {
  for (char& ch : text) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return text;
}

/// `Unit.TClass` -> `TCLASS`.
inline std::string BareClass(const std::string& name) {
  return UpperAscii(name.substr(name.rfind('.') == std::string::npos ? 0 : name.rfind('.') + 1));
}

struct TCheckedClass {
  std::string Parent;                         // upper case; empty when none
  std::map<std::string, std::string> Fields;  // upper-case name -> bare class
};

struct TCheckedObject {
  std::string Keyword;  // lower case
  std::string Name;     // upper case
  std::string Class;    // upper case
  std::vector<std::unique_ptr<TCheckedObject>> Children;
};

/// Every class declared in `unit`, by upper-case name.
inline void ReadCheckedClasses(const std::string& unit, std::map<std::string, TCheckedClass>& out) {
  static const std::regex heading(R"(^\s*(\w+)\s*=\s*class\b\s*(?:\(\s*([\w.]+))?)",
                                  std::regex::icase);
  static const std::regex field(R"(^\s*(\w+)\s*:\s*([\w.]+)\s*;)");
  static const std::regex end(R"(^\s*end\s*;)", std::regex::icase);
  std::istringstream lines(unit);
  TCheckedClass* current = nullptr;
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (std::regex_search(line, m, heading)) {
      current = &out[UpperAscii(m[1].str())];
      current->Parent = m[2].matched ? BareClass(m[2].str()) : std::string();
    } else if (current && std::regex_search(line, end)) {
      current = nullptr;
    } else if (current && std::regex_search(line, m, field)) {
      current->Fields[UpperAscii(m[1].str())] = BareClass(m[2].str());
    }
  }
}

/// The root object of a text form (nullptr when it has none).
inline std::unique_ptr<TCheckedObject> ReadCheckedForm(const std::string& form) {
  static const std::regex header(R"(^\s*(object|inherited|inline)\s+(\w+)\s*:\s*(\w+))",
                                 std::regex::icase);
  static const std::regex item(R"(^\s*item\b)", std::regex::icase);
  static const std::regex end(R"(^\s*end\b)", std::regex::icase);
  std::unique_ptr<TCheckedObject> root;
  std::vector<TCheckedObject*> open;  // nullptr: a collection item
  std::istringstream lines(form);
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (std::regex_search(line, m, header)) {
      auto object = std::make_unique<TCheckedObject>();
      object->Keyword = m[1].str();
      for (char& ch : object->Keyword) ch = static_cast<char>(std::tolower(ch));
      object->Name = UpperAscii(m[2].str());
      object->Class = UpperAscii(m[3].str());
      TCheckedObject* raw = object.get();
      if (open.empty() && !root)
        root = std::move(object);
      else if (!open.empty() && open.back())
        open.back()->Children.push_back(std::move(object));
      open.push_back(raw);
    } else if (std::regex_search(line, item)) {
      open.push_back(nullptr);
    } else if (std::regex_search(line, end) && !open.empty()) {
      open.pop_back();
    }
  }
  return root;
}

/// The disagreements of the tree `files` (path -> contents; ".pas" units and
/// ".dfm" text forms, any other file ignored), one line each.
inline std::vector<std::string> TreeDisagreements(
    const std::map<std::u16string, std::string>& files) {
  auto hasExt = [](const std::u16string& path, const char16_t* ext) {
    std::u16string lower = path;
    for (char16_t& ch : lower)
      if (ch >= u'A' && ch <= u'Z') ch = static_cast<char16_t>(ch + 32);
    return lower.ends_with(ext);
  };
  std::map<std::string, TCheckedClass> classes;
  std::map<std::string, std::pair<std::string, std::unique_ptr<TCheckedObject>>> forms;  // by class
  for (const auto& [path, contents] : files) {
    if (hasExt(path, u".pas")) ReadCheckedClasses(contents, classes);
    if (!hasExt(path, u".dfm")) continue;
    std::unique_ptr<TCheckedObject> root = ReadCheckedForm(contents);
    std::string name(path.begin(), path.end());
    if (!root) continue;
    const std::string rootClass = root->Class;
    forms[rootClass] = {name, std::move(root)};
  }
  // The objects a form owns (not those inside an inline frame), by name.
  auto owned = [](const TCheckedObject& root) {
    std::map<std::string, const TCheckedObject*> objects;
    std::vector<const TCheckedObject*> todo{&root};
    while (!todo.empty()) {
      const TCheckedObject* object = todo.back();
      todo.pop_back();
      for (const auto& child : object->Children) {
        objects[child->Name] = child.get();
        if (child->Keyword != "inline") todo.push_back(child.get());
      }
    }
    return objects;
  };
  // The class of object `name` in the form of `className` or of its ancestors.
  auto ancestorObject = [&](std::string className, const std::string& name) -> std::string {
    for (int depth = 0; depth < 32 && !className.empty(); ++depth) {
      if (auto form = forms.find(className); form != forms.end()) {
        const auto objects = owned(*form->second.second);
        if (auto it = objects.find(name); it != objects.end()) return it->second->Class;
      }
      auto cls = classes.find(className);
      className = cls == classes.end() ? std::string() : cls->second.Parent;
    }
    return {};
  };
  auto fieldClass = [&](std::string className, const std::string& name) -> std::string {
    for (int depth = 0; depth < 32 && !className.empty(); ++depth) {
      auto cls = classes.find(className);
      if (cls == classes.end()) return {};
      if (auto it = cls->second.Fields.find(name); it != cls->second.Fields.end())
        return it->second;
      className = cls->second.Parent;
    }
    return {};
  };
  std::vector<std::string> found;
  for (const auto& [rootClass, form] : forms) {
    const std::string& file = form.first;
    // Each object with the class that owns it: the form's, or a frame's.
    struct TVisit {
      const TCheckedObject* Object;
      std::string Owner;
    };
    std::vector<TVisit> todo;
    for (const auto& child : form.second->Children) todo.push_back({child.get(), rootClass});
    while (!todo.empty()) {
      const TVisit visit = todo.back();
      todo.pop_back();
      const TCheckedObject& object = *visit.Object;
      if (visit.Owner == rootClass) {
        const std::string field = fieldClass(rootClass, object.Name);
        if (!field.empty() && field != object.Class)
          found.push_back(file + ": " + object.Name + " is " + object.Class + ", its field " +
                          field);
      }
      if (object.Keyword == "inherited") {
        // An object the form takes over: from its ancestor, or from its frame.
        const std::string from =
            visit.Owner == rootClass
                ? (classes.contains(rootClass) ? classes[rootClass].Parent : std::string())
                : visit.Owner;
        const std::string theirs = ancestorObject(from, object.Name);
        if (!theirs.empty() && theirs != object.Class)
          found.push_back(file + ": inherited " + object.Name + " is " + object.Class +
                          ", the ancestor's " + theirs);
      }
      const std::string owner = object.Keyword == "inline" ? object.Class : visit.Owner;
      for (const auto& child : object.Children) todo.push_back({child.get(), owner});
    }
  }
  return found;
}

}  // namespace zan::test
