// Headphone correction curves as measurement collections publish them: a
// text file of "frequency in Hz, level in dB" pairs, one a line, with an
// optional header line. The file is untrusted: its size is bounded and every
// line is checked, and a bad line is reported by its number.
#pragma once

#include <string>
#include <vector>

namespace oro::eq {

struct CurvePoint {
  double hz;
  double db;
};

struct CsvCurve {
  std::vector<CurvePoint> points;  // frequencies strictly increasing
  std::string error;               // empty when the text is a curve
};

constexpr std::size_t kCsvSizeLimit = 4 * 1024 * 1024;
constexpr double kCsvLevelLimitDb = 100.0;

// Fields are separated by a comma, a semicolon or a tab; blank lines and a
// leading UTF-8 byte-order mark are skipped; the first non-blank line may be
// a header. Frequencies must be positive and strictly increasing, levels
// within +-100 dB, and at least two points are needed.
CsvCurve ParseCurveCsv(const std::string& text);

// Reads and parses a file of at most kCsvSizeLimit bytes.
CsvCurve ReadCurveCsv(const std::string& path);

}  // namespace oro::eq
