#include "elements/element_texts.h"

#include "elements/console.h"

namespace {

constexpr const char* kHexahedronVertexCount =
    "the number of the vetexes of the hexahedron must be EIGHT ! ";
constexpr const char* kHexahedronSplitCount =
    "the number of the water tetrahedra which are disassembled from the hexahedron must be FIVE! ";
constexpr const char* kPrismVertexCount =
    "the number of the vetexes of the triangle prism must be SIX ! ";
constexpr const char* kPrismSplitCount =
    "the number of the tetrahedra which are disassembled from the triangle prism must be THREE! ";

constexpr ElementTexts kChinese{
    kHexahedronVertexCount, kHexahedronSplitCount, kPrismVertexCount, kPrismSplitCount,
    // 分解圆柱为四面体的个数需为3的倍数且至少为9
    "\xb7\xd6\xbd\xe2\xd4\xb2\xd6\xf9\xce\xaa\xcb\xc4\xc3\xe6\xcc\xe5\xb5\xc4\xb8\xf6\xca\xfd\xd0"
    "\xe8\xce\xaa"
    "3\xb5\xc4\xb1\xb6\xca\xfd\xc7\xd2\xd6\xc1\xc9\xd9\xce\xaa"
    "9"};

constexpr ElementTexts kEnglish{
    kHexahedronVertexCount, kHexahedronSplitCount, kPrismVertexCount, kPrismSplitCount,
    "the number of tetrahedra a cylinder is split into must be a multiple of 3 and at least 9"};

}  // namespace

const ElementTexts& elementTexts() {
  return console::inLanguage(kChinese, kEnglish);
}
