#pragma once

// The console texts of the elements layer, one table per language: the messages of the internal
// consistency checks. The hexahedron's and the prism's were written in English from the start and
// read the same in every table.
struct ElementTexts {
  const char* hexahedronVertexCount;
  const char* hexahedronSplitCount;
  const char* prismVertexCount;
  const char* prismSplitCount;
  const char* cylinderSplitCount;
};

// The table of the console's language.
const ElementTexts& elementTexts();
