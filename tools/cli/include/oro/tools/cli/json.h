// A small value tree both tools print as JSON (and oroctl also as
// "path = value" lines). Strings are escaped fully, control characters
// included, so whatever a name holds the output stays valid JSON.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace oro::tools::cli {

class Json {
 public:
  static Json Int(long long value);
  static Json Bool(bool value);
  static Json Null();
  // Non-finite numbers have no JSON form: they become the strings "nan",
  // "inf" and "-inf".
  static Json Number(double value);
  static Json Text(const std::string& utf8);
  static Json Object();
  static Json Array();

  // Members keep their order.
  Json& Add(const std::string& name, Json value);
  Json& Push(Json value);

  // Indented by two spaces per level; arrays of plain values stay on one line.
  std::string Pretty() const;
  // One line, ", " between items and ": " after names.
  std::string Line() const;
  // An array with one item a line, each item on one line (what scripts that
  // read line by line expect).
  std::string Rows() const;
  // Every plain value as "path = value" on its own line ("a.b[2] = 3").
  std::string Lines() const;

 private:
  enum Kind { kLeaf, kObject, kArray };
  void PrintPretty(int indent, std::string* out) const;
  void PrintLine(std::string* out) const;
  void PrintLines(const std::string& path, std::string* out) const;
  bool AllLeaves() const;

  Kind kind_ = kLeaf;
  std::string leaf_ = "null";  // a JSON literal
  std::vector<std::pair<std::string, Json>> members_;
  std::vector<Json> items_;
};

// A JSON string literal, quotes included.
std::string JsonQuote(const std::string& utf8);

}  // namespace oro::tools::cli
