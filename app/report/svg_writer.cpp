#include "app/report/svg_writer.h"

#include <charconv>
#include <cmath>

SvgWriter::SvgWriter(double width, double height) {
  out_ = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n";
  start("svg")
      .attribute("xmlns", "http://www.w3.org/2000/svg")
      .attribute("version", "1.1")
      .attribute("width", width, 0)
      .attribute("height", height, 0)
      .attribute("viewBox", "0 0 " + number(width, 0) + " " + number(height, 0))
      .openBody();
  out_ += '\n';
}

std::string SvgWriter::number(double value, int decimals) {
  if (!std::isfinite(value))
    return "0";  // never reached by a finite picture; keeps the document valid regardless
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  if (result.ec != std::errc())
    return "0";
  std::string text(buffer, result.ptr);
  if (text.find('.') != std::string::npos) {
    while (text.back() == '0')
      text.pop_back();
    if (text.back() == '.')
      text.pop_back();
  }
  if (text == "-0")
    text = "0";
  return text;
}

SvgWriter& SvgWriter::start(const char* tag) {
  out_ += '<';
  out_ += tag;
  return *this;
}

SvgWriter& SvgWriter::attribute(const char* name, const std::string& value) {
  out_ += ' ';
  out_ += name;
  out_ += "=\"";
  appendEscaped(value);
  out_ += '"';
  return *this;
}

SvgWriter& SvgWriter::attribute(const char* name, const char* value) {
  return attribute(name, std::string(value));
}

SvgWriter& SvgWriter::attribute(const char* name, double value, int decimals) {
  out_ += ' ';
  out_ += name;
  out_ += "=\"";
  out_ += number(value, decimals);
  out_ += '"';
  return *this;
}

void SvgWriter::close() {
  out_ += "/>\n";
}

void SvgWriter::openBody() {
  out_ += '>';
}

void SvgWriter::text(const std::string& characters) {
  appendEscaped(characters);
}

void SvgWriter::end(const char* tag) {
  out_ += "</";
  out_ += tag;
  out_ += ">\n";
}

void SvgWriter::label(double x, double y, const std::string& characters, const char* anchor,
                      const char* cssClass) {
  start("text").attribute("x", x, 1).attribute("y", y, 1);
  if (std::string(anchor) != "start")
    attribute("text-anchor", anchor);
  if (cssClass != nullptr)
    attribute("class", cssClass);
  openBody();
  text(characters);
  end("text");
}

std::string SvgWriter::finish() {
  end("svg");
  std::string document;
  document.swap(out_);
  return document;
}

namespace {

// Length of the well-formed UTF-8 sequence starting at s[i] (1 to 4), or 0 when the bytes there
// are not one (a label from a GBK file, say): a document with such bytes would not parse.
size_t utf8SequenceLength(const std::string& s, size_t i) {
  const auto byte = [&s](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char lead = byte(i);
  size_t length = 0;
  if (lead < 0x80)
    return 1;
  if (lead >= 0xc2 && lead <= 0xdf)
    length = 2;
  else if (lead >= 0xe0 && lead <= 0xef)
    length = 3;
  else if (lead >= 0xf0 && lead <= 0xf4)
    length = 4;
  if (length == 0 || i + length > s.size())
    return 0;
  for (size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xc0) != 0x80)
      return 0;
  }
  // Overlong three- and four-byte forms, surrogates and code points above U+10FFFF.
  if ((lead == 0xe0 && byte(i + 1) < 0xa0) || (lead == 0xed && byte(i + 1) > 0x9f) ||
      (lead == 0xf0 && byte(i + 1) < 0x90) || (lead == 0xf4 && byte(i + 1) > 0x8f))
    return 0;
  return length;
}

}  // namespace

// Markup characters become entities. Control characters other than tab and line breaks are not
// allowed in XML 1.0 and are dropped; bytes that are not UTF-8 become '?'.
void SvgWriter::appendEscaped(const std::string& characters) {
  for (size_t i = 0; i < characters.size();) {
    const char c = characters[i];
    const size_t length = utf8SequenceLength(characters, i);
    if (length == 0) {
      out_ += '?';
      ++i;
      continue;
    }
    if (length > 1) {
      out_.append(characters, i, length);
    } else if (c == '<') {
      out_ += "&lt;";
    } else if (c == '>') {
      out_ += "&gt;";
    } else if (c == '&') {
      out_ += "&amp;";
    } else if (c == '"') {
      out_ += "&quot;";
    } else if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n' || c == '\r') {
      out_ += c;
    }
    i += length;
  }
}

long SvgPathData::gridCount(double pixels) {
  return std::lround(pixels * kGrid);
}

void SvgPathData::segment(long x0, long y0, long x1, long y1) {
  if (!hasLast_ || x0 != lastX_ || y0 != lastY_)
    moveTo(x0, y0);
  lineTo(x1, y1);
}

// Relative commands after the first point: the numbers are short, and level or plumb lines need
// one number only.
void SvgPathData::moveTo(long x, long y) {
  if (hasLast_) {
    d_ += 'm';
    appendCoordinate(x - lastX_);
    appendCoordinate(y - lastY_);
  } else {
    d_ += 'M';
    appendCoordinate(x);
    appendCoordinate(y);
  }
  lastX_ = x;
  lastY_ = y;
  hasLast_ = true;
}

void SvgPathData::lineTo(long x, long y) {
  if (y == lastY_) {
    d_ += 'h';
    appendCoordinate(x - lastX_);
  } else if (x == lastX_) {
    d_ += 'v';
    appendCoordinate(y - lastY_);
  } else {
    d_ += 'l';
    appendCoordinate(x - lastX_);
    appendCoordinate(y - lastY_);
  }
  lastX_ = x;
  lastY_ = y;
  hasLast_ = true;
}

// A number follows a command letter directly; after another number it needs a space unless its
// own minus sign separates it.
void SvgPathData::appendCoordinate(long count) {
  const std::string text = SvgWriter::number(static_cast<double>(count) / kGrid, 2);
  const char last = d_.empty() ? 'M' : d_.back();
  const bool afterCommand = (last >= 'A' && last <= 'Z') || (last >= 'a' && last <= 'z');
  if (!afterCommand && text[0] != '-')
    d_ += ' ';
  d_ += text;
}
