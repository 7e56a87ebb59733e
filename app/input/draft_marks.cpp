#include "app/input/draft_marks.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <istream>

namespace {

constexpr std::array<const char*, 7> kColumns = {"name", "x1", "y1", "z1", "x2", "y2", "z2"};
constexpr const char* kBlanks = " \t";

std::string trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string::npos)
    return "";
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

bool isBlank(char c) {
  return std::strchr(kBlanks, c) != nullptr && c != '\0';
}

// Splits one CSV line. A quoted field keeps its commas and blanks, and "" inside it is one quote;
// blanks around a field are dropped.
std::vector<std::string> splitFields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t i = 0;
  for (;;) {
    std::string field;
    while (i < line.size() && isBlank(line[i]))
      ++i;
    if (i < line.size() && line[i] == '"') {
      for (++i; i < line.size() && !(line[i] == '"' && line.compare(i, 2, "\"\"") != 0); ++i) {
        field += line[i];
        if (line[i] == '"')
          ++i;  // the second quote of ""
      }
      ++i;  // the closing quote
      for (; i < line.size() && line[i] != ','; ++i) {
        if (!isBlank(line[i]))
          field += line[i];  // text behind the closing quote stays, so the field shows it
      }
    } else {
      for (; i < line.size() && line[i] != ','; ++i)
        field += line[i];
      field = trimmed(field);
    }
    fields.push_back(field);
    if (i >= line.size())
      return fields;
    ++i;  // the comma
  }
}

bool parseNumber(const std::string& text, double& value) {
  const char* first = text.data();
  const char* last = first + text.size();
  if (first != last && *first == '+')
    ++first;
  const std::from_chars_result r = std::from_chars(first, last, value);
  return r.ec == std::errc() && r.ptr == last && first != last && std::isfinite(value);
}

// Where each of the seven columns stands in a line.
using ColumnIndex = std::array<std::size_t, kColumns.size()>;

class MarksReader {
 public:
  MarksReader(const std::string& fileName, MarksFileError& error)
      : fileName_(fileName), error_(error) {}

  bool read(std::istream& in, std::vector<DraftMark>& marks) {
    std::string line;
    bool haveHeader = false;
    while (std::getline(in, line)) {
      ++lineNumber_;
      if (!line.empty() && line.back() == '\r')
        line.pop_back();
      if (lineNumber_ == 1 && line.compare(0, 3, "\xef\xbb\xbf") == 0)
        line.erase(0, 3);  // the byte-order mark a spreadsheet may write
      if (trimmed(line).empty())
        continue;
      const std::vector<std::string> fields = splitFields(line);
      if (!haveHeader) {
        if (!readHeader(fields))
          return false;
        haveHeader = true;
      } else if (!readMark(fields, marks)) {
        return false;
      }
    }
    if (in.bad())
      return fail("cannot be read to its end");
    return haveHeader || fail("is empty: the first line must name the columns " + columnList());
  }

 private:
  static std::string columnList() {
    std::string list;
    for (const char* column : kColumns)
      list += list.empty() ? column : std::string(",") + column;
    return list;
  }

  bool fail(const std::string& what) {
    error_.line = lineNumber_;
    error_.message = "marks file " + fileName_ +
                     (lineNumber_ > 0 ? " line " + std::to_string(lineNumber_) : "") + ": " + what;
    return false;
  }

  bool readHeader(const std::vector<std::string>& fields) {
    fieldCount_ = fields.size();
    for (std::size_t c = 0; c < kColumns.size(); ++c) {
      std::size_t i = 0;
      while (i < fields.size() && fields[i] != kColumns[c])
        ++i;
      if (i == fields.size())
        return fail(std::string("no column ") + kColumns[c] + " (the header must name " +
                    columnList() + ")");
      index_[c] = i;
    }
    return true;
  }

  bool readMark(const std::vector<std::string>& fields, std::vector<DraftMark>& marks) {
    if (fields.size() != fieldCount_)
      return fail(std::to_string(fields.size()) + " fields where the header has " +
                  std::to_string(fieldCount_));
    double v[6];
    for (std::size_t c = 1; c < kColumns.size(); ++c) {
      if (!parseNumber(fields[index_[c]], v[c - 1]))
        return fail(std::string(kColumns[c]) + " is not a finite number: \"" + fields[index_[c]] +
                    "\"");
    }
    const Vec3 p0(v[0], v[1], v[2]);
    const Vec3 p1(v[3], v[4], v[5]);
    const Vec3 d = p1 - p0;
    if (!std::isfinite(d.x) || !std::isfinite(d.y) || !std::isfinite(d.z))
      return fail("the two points are too far apart to compute with");
    marks.push_back({fields[index_[0]], LineSegment(p0, p1)});
    return true;
  }

  const std::string& fileName_;
  MarksFileError& error_;
  long lineNumber_ = 0;
  std::size_t fieldCount_ = 0;
  ColumnIndex index_{};
};

}  // namespace

bool parseMarks(std::istream& in, const std::string& fileName, std::vector<DraftMark>& marks,
                MarksFileError& error) {
  return MarksReader(fileName, error).read(in, marks);
}

bool readMarksFile(const std::string& path, std::vector<DraftMark>& marks, MarksFileError& error) {
  errno = 0;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error.line = 0;
    error.systemError = errno;
    error.message = "marks file " + path +
                    " cannot be opened: " + (errno != 0 ? std::strerror(errno) : "unknown error");
    return false;
  }
  return parseMarks(in, path, marks, error);
}
