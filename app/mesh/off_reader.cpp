#include "app/mesh/off_reader.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

class OffParser {
 public:
  OffParser(std::string_view text, const std::string& path, SurfaceBuilder& builder,
            MeshFileError& error)
      : text_(text), lines_(text), path_(path), builder_(builder), error_(error) {}

  bool parse() { return readHeader() && readVertices() && readFaces(); }

 private:
  bool fail(const std::string& reason) {
    error_.line = lines_.number();
    error_.message = path_ + " line " + std::to_string(error_.line) + ": " + reason;
    return false;
  }
  bool failAtEnd(const std::string& expected) {
    error_.line = lines_.number();
    error_.message =
        path_ + " ends after line " + std::to_string(error_.line) + ": expected " + expected;
    return false;
  }

  // The next line that holds more than white space and a comment.
  bool nextContent(Words& words) {
    std::string_view line;
    while (lines_.next(line)) {
      line = trimmed(line.substr(0, line.find('#')));
      if (!line.empty()) {
        words = Words(line);
        return true;
      }
    }
    return false;
  }

  bool readCount(Words& words, const char* name, long long& count) {
    std::string_view word;
    if (!words.next(word) && !(nextContent(words) && words.next(word)))
      return failAtEnd(std::string("the number of ") + name);
    if (!parseInteger(word, count) || count < 0 ||
        count > static_cast<long long>(SurfaceBuilder::kMaxCount)) {
      return fail(std::string("the number of ") + name + " " + quotedWord(word) +
                  " is not a count");
    }
    return true;
  }

  bool readHeader() {
    Words words("");
    std::string_view keyword;
    if (!nextContent(words) || !words.next(keyword))
      return failAtEnd("the keyword \"OFF\"");
    if (!isOffKeyword(keyword))
      return fail("expected the keyword \"OFF\", found " + quotedWord(keyword));
    const std::string_view rest = words.rest();
    if (sameWord(rest.substr(0, 6), "BINARY"))
      return fail("binary OFF files are not supported; write the file as text");
    if (!readCount(words, "vertices", vertexCount_) || !readCount(words, "faces", faceCount_))
      return false;
    // Each vertex line takes at least 6 bytes ("0 0 0\n"): a count beyond that is false, and must
    // not reserve memory.
    const long long bound = static_cast<long long>(text_.size() / 6);
    builder_.reserve(static_cast<std::size_t>(std::min(vertexCount_, bound)),
                     static_cast<std::size_t>(std::min(faceCount_, bound)));
    return true;
  }

  bool readVertices() {
    for (long long i = 0; i < vertexCount_; ++i) {
      Words words("");
      if (!nextContent(words)) {
        return failAtEnd("vertex " + std::to_string(i + 1) + " of " + std::to_string(vertexCount_));
      }
      const std::string wrong = builder_.readVertex(
          words, "expected three coordinates for vertex " + std::to_string(i + 1), vertices_);
      if (!wrong.empty())
        return fail(wrong);
    }
    return true;
  }

  bool readFace(Words& words) {
    std::string_view word;
    long long k = 0;
    words.next(word);
    if (!parseInteger(word, k) || k < 3)
      return fail("a face must start with its number of vertices (3 or more), found " +
                  quotedWord(word));
    corners_.clear();
    for (long long j = 0; j < k; ++j) {
      long long index = -1;
      if (!words.next(word))
        return fail("the face has fewer than its " + std::to_string(k) + " vertex indices");
      if (!parseInteger(word, index) || index < 0 || index >= vertexCount_) {
        return fail("vertex index " + quotedWord(word) + " is not between 0 and " +
                    std::to_string(vertexCount_ - 1));
      }
      corners_.push_back(vertices_[static_cast<std::size_t>(index)]);
    }
    if (!builder_.addPolygon(corners_.data(), corners_.size(), toOrigin(lines_.number())))
      return fail("the file holds more triangles than a surface can have");
    return true;
  }

  bool readFaces() {
    for (long long f = 0; f < faceCount_; ++f) {
      Words words("");
      if (!nextContent(words))
        return failAtEnd("face " + std::to_string(f + 1) + " of " + std::to_string(faceCount_));
      if (!readFace(words))
        return false;
    }
    return true;
  }

  std::string_view text_;
  TextLines lines_;
  const std::string& path_;
  SurfaceBuilder& builder_;
  MeshFileError& error_;
  long long vertexCount_ = 0;
  long long faceCount_ = 0;
  std::vector<std::uint32_t> vertices_;  // the merged vertex of each vertex line
  std::vector<std::uint32_t> corners_;   // of the face being read
};

}  // namespace

bool isOffKeyword(std::string_view word) {
  // [ST][C][N]OFF: texture coordinates, colours and normals per vertex.
  if (word.size() >= 2 && word.substr(0, 2) == "ST")
    word.remove_prefix(2);
  if (!word.empty() && word.front() == 'C')
    word.remove_prefix(1);
  if (!word.empty() && word.front() == 'N')
    word.remove_prefix(1);
  return word == "OFF";
}

bool parseOff(std::string_view text, const std::string& path, SurfaceBuilder& builder,
              MeshFileError& error) {
  return OffParser(text, path, builder, error).parse();
}
