#pragma once

#include <string>

// A small writer of SVG 1.1 documents into a string. Numbers are written with std::to_chars, so
// the text is the same whatever the locale; attribute values and text are escaped. Coordinates are
// user units (pixels); the y axis of SVG points down.
//
//   SvgWriter svg(640, 480);
//   svg.start("line").attribute("x1", 0.5).attribute("y1", 2).close();
//   std::string text = svg.finish();
class SvgWriter {
 public:
  // Writes the XML declaration and the opening svg element of a width x height picture.
  SvgWriter(double width, double height);

  // "<tag": attributes follow, then close() for an empty element or openBody() for content.
  SvgWriter& start(const char* tag);
  SvgWriter& attribute(const char* name, const std::string& value);
  SvgWriter& attribute(const char* name, const char* value);
  // The number with at most `decimals` decimals and no trailing zeros.
  SvgWriter& attribute(const char* name, double value, int decimals = 2);
  void close();     // "/>"
  void openBody();  // ">"
  void text(const std::string& characters);
  void end(const char* tag);  // "</tag>"
  // "<text x y ...>characters</text>" with the given anchor ("start", "middle", "end").
  void label(double x, double y, const std::string& characters, const char* anchor = "start",
             const char* cssClass = nullptr);

  // Closes the svg element and returns the document; the writer is then empty.
  std::string finish();

  // The number as attribute() writes it.
  static std::string number(double value, int decimals = 2);

 private:
  void appendEscaped(const std::string& characters);
  std::string out_;
};

// Path data ("d" attribute) made of straight segments, with every coordinate on a grid of
// 1 / kGrid pixel. Points are given already quantised: grid counts, as gridCount() gives them.
// Written compactly: the first point absolute, every later one relative to the one before.
class SvgPathData {
 public:
  static constexpr int kGrid = 4;
  static long gridCount(double pixels);
  // A separate segment, unless it continues from where the last one ended.
  void segment(long x0, long y0, long x1, long y1);
  // Consecutive points joined; the first starts a new sub-path.
  void moveTo(long x, long y);
  void lineTo(long x, long y);
  bool empty() const { return d_.empty(); }
  const std::string& data() const { return d_; }

 private:
  void appendCoordinate(long count);
  std::string d_;
  long lastX_ = 0, lastY_ = 0;
  bool hasLast_ = false;
};
