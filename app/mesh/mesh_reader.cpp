#include "app/mesh/mesh_reader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/mesh/obj_reader.h"
#include "app/mesh/off_reader.h"
#include "app/mesh/stl_reader.h"
#include "app/platform/platform.h"

namespace {

// A text file has no NUL bytes; a binary STL header followed by float data nearly always has some
// in its first facets.
constexpr std::size_t kTextProbeBytes = 1024;

bool looksLikeText(std::string_view bytes) {
  return bytes.substr(0, kTextProbeBytes).find('\0') == std::string_view::npos;
}

bool startsWithSolid(std::string_view bytes) {
  Words words(bytes.substr(0, kTextProbeBytes));
  std::string_view first;
  return words.next(first) && sameWord(first, "solid");
}

bool startsWithOffKeyword(std::string_view bytes) {
  TextLines lines(bytes);
  std::string_view line;
  while (lines.next(line)) {
    Words words(line.substr(0, line.find('#')));
    std::string_view first;
    if (words.next(first))
      return isOffKeyword(first);
  }
  return false;
}

// A text with a vertex line and a face line.
bool looksLikeObj(std::string_view bytes) {
  bool vertex = false, face = false;
  TextLines lines(bytes);
  std::string_view line;
  while (lines.next(line) && !(vertex && face)) {
    Words words(line);
    std::string_view first;
    words.next(first);
    vertex = vertex || first == "v";
    face = face || first == "f";
  }
  return vertex && face;
}

// The extension of the path's last component, in lower case, without the dot.
std::string extensionOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
    return "";
  std::string extension = path.substr(dot + 1);
  for (char& c : extension)
    c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
  return extension;
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

const char* meshFormatName(MeshFormat format) {
  switch (format) {
    case MeshFormat::kStlAscii:
      return "ASCII STL";
    case MeshFormat::kStlBinary:
      return "binary STL";
    case MeshFormat::kObj:
      return "OBJ";
    case MeshFormat::kOff:
      return "OFF";
    case MeshFormat::kArrays:
      return "arrays";
  }
  return "?";
}

std::string MeshFile::placeOfOrigin(std::uint32_t origin) const {
  if (format == MeshFormat::kArrays)
    return "triangles[" + std::to_string(origin) + "]";
  return (format == MeshFormat::kStlBinary ? "facet " : "line ") + std::to_string(origin);
}

bool detectMeshFormat(std::string_view bytes, const std::string& path, MeshFormat& format,
                      MeshFileError& error) {
  const std::string extension = extensionOf(path);
  if (hasBinaryStlSize(bytes)) {
    format = MeshFormat::kStlBinary;
  } else if (startsWithSolid(bytes) && looksLikeText(bytes)) {
    format = MeshFormat::kStlAscii;
  } else if (startsWithOffKeyword(bytes)) {
    format = MeshFormat::kOff;
  } else if (extension == "stl") {
    format = MeshFormat::kStlBinary;  // not text: its size is wrong, which the reader says
  } else if (extension == "obj") {
    format = MeshFormat::kObj;
  } else if (extension == "off") {
    format = MeshFormat::kOff;
  } else if (looksLikeObj(bytes)) {
    format = MeshFormat::kObj;
  } else {
    error.line = 0;
    error.message = path +
                    ": cannot tell the format of the file: it is neither STL (binary, or text "
                    "starting with \"solid\"), OFF (starting with \"OFF\") nor OBJ (\"v\" and "
                    "\"f\" lines); a name ending in .stl, .obj or .off decides";
    return false;
  }
  return true;
}

bool parseMesh(std::string_view bytes, const std::string& path, MeshFile& mesh,
               MeshFileError& error, bool twoHalves) {
  const std::string name = path;  // path may be mesh.path itself
  mesh = MeshFile();
  mesh.path = name;
  if (!detectMeshFormat(bytes, name, mesh.format, error))
    return false;
  SurfaceBuilder builder(mesh.surface, mesh.origins);
  bool ok = false;
  switch (mesh.format) {
    case MeshFormat::kStlAscii:
      ok = parseStlAscii(bytes, name, builder, error, twoHalves);
      break;
    case MeshFormat::kStlBinary:
      ok = parseStlBinary(bytes, name, builder, error, twoHalves);
      break;
    case MeshFormat::kObj:
      ok = parseObj(bytes, name, builder, error);
      break;
    case MeshFormat::kOff:
      ok = parseOff(bytes, name, builder, error);
      break;
    case MeshFormat::kArrays:  // never detected in a file
      break;
  }
  if (ok && mesh.surface.triangles.empty()) {
    error.line = 0;
    error.message = name + ": the " + meshFormatName(mesh.format) + " file holds no triangles";
    ok = false;
  }
  if (!ok) {
    mesh.surface = TriangleSurface();
    mesh.origins.clear();
  }
  return ok;
}

bool readMeshFile(const std::string& path, MeshFile& mesh, MeshFileError& error) {
  error.line = 0;
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    error.systemError = errno;
    error.message = path + ": cannot open the file: " + std::strerror(errno);
    return false;
  }
  {
    // A regular file is read from its mapped pages, without a copy.
    const MappedFile mapped(file.get());
    if (mapped.data() != nullptr)
      return parseMesh(std::string_view(mapped.data(), mapped.size()), path, mesh, error);
  }
  std::string bytes;
  char chunk[65536];
  std::size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0)
    bytes.append(chunk, got);
  if (std::ferror(file.get())) {
    error.systemError = errno;
    error.message = path + ": cannot read the file: " + std::strerror(errno);
    return false;
  }
  return parseMesh(bytes, path, mesh, error);
}
