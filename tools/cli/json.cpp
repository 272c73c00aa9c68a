#include "oro/tools/cli/json.h"

#include <cmath>
#include <cstdio>

namespace oro::tools::cli {

std::string JsonQuote(const std::string& utf8) {
  std::string out = "\"";
  for (unsigned char c : utf8) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

Json Json::Int(long long value) {
  Json j;
  j.leaf_ = std::to_string(value);
  return j;
}

Json Json::Bool(bool value) {
  Json j;
  j.leaf_ = value ? "true" : "false";
  return j;
}

Json Json::Null() { return Json(); }

Json Json::Number(double value) {
  if (!std::isfinite(value)) return Text(std::isnan(value) ? "nan" : (value > 0 ? "inf" : "-inf"));
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.9g", value);
  Json j;
  j.leaf_ = buf;
  return j;
}

Json Json::Text(const std::string& utf8) {
  Json j;
  j.leaf_ = JsonQuote(utf8);
  return j;
}

Json Json::Object() {
  Json j;
  j.kind_ = kObject;
  return j;
}

Json Json::Array() {
  Json j;
  j.kind_ = kArray;
  return j;
}

Json& Json::Add(const std::string& name, Json value) {
  members_.emplace_back(name, std::move(value));
  return *this;
}

Json& Json::Push(Json value) {
  items_.push_back(std::move(value));
  return *this;
}

bool Json::AllLeaves() const {
  for (const auto& i : items_) {
    if (i.kind_ != kLeaf) return false;
  }
  return true;
}

std::string Json::Pretty() const {
  std::string out;
  PrintPretty(0, &out);
  return out;
}

std::string Json::Line() const {
  std::string out;
  PrintLine(&out);
  return out;
}

std::string Json::Rows() const {
  if (kind_ != kArray) return Line();
  std::string out = "[";
  for (std::size_t i = 0; i < items_.size(); ++i) {
    out += i ? ",\n  " : "\n  ";
    items_[i].PrintLine(&out);
  }
  return out + (items_.empty() ? "]" : "\n]");
}

std::string Json::Lines() const {
  std::string out;
  PrintLines("", &out);
  return out;
}

void Json::PrintPretty(int indent, std::string* out) const {
  const std::string pad(static_cast<std::size_t>(indent) * 2, ' ');
  const std::string inner(static_cast<std::size_t>(indent + 1) * 2, ' ');
  if (kind_ == kLeaf) {
    *out += leaf_;
  } else if (kind_ == kArray && AllLeaves()) {
    *out += "[";
    for (std::size_t i = 0; i < items_.size(); ++i) *out += (i ? ", " : "") + items_[i].leaf_;
    *out += "]";
  } else if (kind_ == kArray) {
    *out += "[\n";
    for (std::size_t i = 0; i < items_.size(); ++i) {
      *out += inner;
      items_[i].PrintPretty(indent + 1, out);
      *out += i + 1 < items_.size() ? ",\n" : "\n";
    }
    *out += pad + "]";
  } else if (members_.empty()) {
    *out += "{}";
  } else {
    *out += "{\n";
    for (std::size_t i = 0; i < members_.size(); ++i) {
      *out += inner + JsonQuote(members_[i].first) + ": ";
      members_[i].second.PrintPretty(indent + 1, out);
      *out += i + 1 < members_.size() ? ",\n" : "\n";
    }
    *out += pad + "}";
  }
}

void Json::PrintLine(std::string* out) const {
  if (kind_ == kLeaf) {
    *out += leaf_;
  } else if (kind_ == kArray) {
    *out += "[";
    for (std::size_t i = 0; i < items_.size(); ++i) {
      if (i) *out += ", ";
      items_[i].PrintLine(out);
    }
    *out += "]";
  } else {
    *out += "{";
    for (std::size_t i = 0; i < members_.size(); ++i) {
      if (i) *out += ", ";
      *out += JsonQuote(members_[i].first) + ": ";
      members_[i].second.PrintLine(out);
    }
    *out += "}";
  }
}

void Json::PrintLines(const std::string& path, std::string* out) const {
  if (kind_ == kLeaf || (kind_ == kArray && AllLeaves())) {
    std::string value;
    PrintPretty(0, &value);
    *out += path + " = " + value + "\n";
  } else if (kind_ == kArray) {
    for (std::size_t i = 0; i < items_.size(); ++i) items_[i].PrintLines(path + "[" + std::to_string(i) + "]", out);
  } else {
    for (const auto& [name, value] : members_) value.PrintLines(path.empty() ? name : path + "." + name, out);
  }
}

}  // namespace oro::tools::cli
