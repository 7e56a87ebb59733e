#include "app/mesh/obj_reader.h"

#include <cstdint>
#include <vector>

namespace {

class ObjParser {
 public:
  ObjParser(std::string_view text, const std::string& path, SurfaceBuilder& builder,
            MeshFileError& error)
      : lines_(text), path_(path), builder_(builder), error_(error) {}

  bool parse() {
    std::string_view line;
    while (lines_.next(line)) {
      const std::size_t comment = line.find('#');
      Words words(line.substr(0, comment));
      std::string_view statement;
      if (!words.next(statement))
        continue;
      if (statement == "v" && !readVertex(words))
        return false;
      if (statement == "f" && !readFace(words))
        return false;
    }
    return true;
  }

 private:
  bool fail(const std::string& reason) {
    error_.line = lines_.number();
    error_.message = path_ + " line " + std::to_string(error_.line) + ": " + reason;
    return false;
  }

  bool readVertex(Words& words) {
    const std::string wrong =
        builder_.readVertex(words, "expected three coordinates after \"v\"", vertices_);
    return wrong.empty() || fail(wrong);
  }

  // The vertex of one reference "i[/t[/n]]".
  bool readReference(std::string_view word, std::uint32_t& vertex) {
    long long i = 0;
    if (!parseInteger(word.substr(0, word.find('/')), i))
      return fail("face vertex " + quotedWord(word) + " does not start with a vertex index");
    const long long defined = static_cast<long long>(vertices_.size());
    const long long position = i < 0 ? defined + i : i - 1;  // from 0
    if (i == 0 || position < 0 || position >= defined) {
      return fail("face refers to vertex " + std::to_string(i) + ", but " +
                  std::to_string(defined) + " vertices are defined above it");
    }
    vertex = vertices_[static_cast<std::size_t>(position)];
    return true;
  }

  bool readFace(Words& words) {
    corners_.clear();
    std::string_view word;
    while (words.next(word)) {
      std::uint32_t vertex;
      if (!readReference(word, vertex))
        return false;
      corners_.push_back(vertex);
    }
    if (corners_.size() < 3) {
      return fail("a face needs at least three vertices, this one has " +
                  std::to_string(corners_.size()));
    }
    if (!builder_.addPolygon(corners_.data(), corners_.size(), toOrigin(lines_.number())))
      return fail("the file holds more triangles than a surface can have");
    return true;
  }

  TextLines lines_;
  const std::string& path_;
  SurfaceBuilder& builder_;
  MeshFileError& error_;
  std::vector<std::uint32_t> vertices_;  // the merged vertex of each "v" line, in file order
  std::vector<std::uint32_t> corners_;   // of the face being read
};

}  // namespace

bool parseObj(std::string_view text, const std::string& path, SurfaceBuilder& builder,
              MeshFileError& error) {
  return ObjParser(text, path, builder, error).parse();
}
