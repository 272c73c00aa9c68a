#include "oro/eq/curve_csv.h"

#include <charconv>
#include <cmath>

#include "file_io.h"

namespace oro::eq {
namespace {

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  const auto last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

// Whole-field number in the C locale whatever the process's locale is.
bool ParseNumber(const std::string& field, double* value) {
  std::string text = Trim(field);
  if (!text.empty() && text[0] == '+') text.erase(0, 1);
  if (text.empty()) return false;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, *value);
  return ec == std::errc() && ptr == end && std::isfinite(*value);
}

std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields;
  std::string field;
  for (char c : line) {
    if (c == ',' || c == ';' || c == '\t') {
      fields.push_back(field);
      field.clear();
    } else {
      field += c;
    }
  }
  fields.push_back(field);
  return fields;
}

}  // namespace

CsvCurve ParseCurveCsv(const std::string& text) {
  CsvCurve out;
  auto fail = [&](std::size_t line, const std::string& why) {
    out.points.clear();
    out.error = "line " + std::to_string(line) + ": " + why;
    return out;
  };

  std::size_t pos = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  std::size_t line_no = 0;
  bool seen_content = false;
  while (pos <= text.size()) {
    std::size_t eol = text.find('\n', pos);
    if (eol == std::string::npos) eol = text.size();
    const std::string line = Trim(text.substr(pos, eol - pos));
    pos = eol + 1;
    ++line_no;
    if (line.empty()) continue;
    if (line.find('\0') != std::string::npos) return fail(line_no, "not a text file");

    const std::vector<std::string> fields = SplitFields(line);
    double hz = 0;
    double db = 0;
    const bool numbers = fields.size() == 2 && ParseNumber(fields[0], &hz) && ParseNumber(fields[1], &db);
    if (!numbers) {
      if (!seen_content) {  // the header
        seen_content = true;
        continue;
      }
      return fail(line_no, "expected \"frequency in Hz, level in dB\", found \"" + line.substr(0, 60) + "\"");
    }
    seen_content = true;
    if (hz <= 0) return fail(line_no, "the frequency must be above 0 Hz");
    if (std::fabs(db) > kCsvLevelLimitDb) return fail(line_no, "the level is beyond +-100 dB");
    if (!out.points.empty() && hz <= out.points.back().hz) {
      return fail(line_no, "frequencies must rise from line to line");
    }
    out.points.push_back({hz, db});
  }
  if (out.points.size() < 2) {
    out.points.clear();
    out.error = "the file holds no curve (at least two \"frequency, level\" lines are needed)";
  }
  return out;
}

CsvCurve ReadCurveCsv(const std::string& path) {
  const detail::ReadResult read = detail::ReadWholeFile(path, kCsvSizeLimit);
  if (read.status != detail::ReadStatus::kOk) {
    CsvCurve out;
    out.error = read.error;
    return out;
  }
  CsvCurve out = ParseCurveCsv(std::string(read.bytes.begin(), read.bytes.end()));
  if (!out.error.empty()) out.error = path + ": " + out.error;
  return out;
}

}  // namespace oro::eq
