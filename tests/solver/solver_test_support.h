#pragma once

// Bodies and a console stand-in shared by the solver tests.

#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include "elements/floating_body.h"
#include "elements/hexahedron.h"

namespace solver_test {

// A body made of one hexahedron filling the axis-parallel box lo..hi, with its bounds computed.
inline void makeBox(FloatingBody& body, const Vec3& lo, const Vec3& hi) {
  const Vec3 p[8] = {Vec3(lo.x, lo.y, lo.z), Vec3(hi.x, lo.y, lo.z), Vec3(hi.x, hi.y, lo.z),
                     Vec3(lo.x, hi.y, lo.z), Vec3(lo.x, lo.y, hi.z), Vec3(hi.x, lo.y, hi.z),
                     Vec3(hi.x, hi.y, hi.z), Vec3(lo.x, hi.y, hi.z)};
  body.hexahedronCount = 1;
  body.hexahedra = std::make_unique<Hexahedron[]>(1);
  body.hexahedra[0].setVertices(p, 8);
  body.boundingBox();
}

// Captures std::cout and feeds std::cin from a fixed text for its lifetime; restores both streams'
// buffers and cout's format flags afterwards, so a failing test leaves the console usable.
class Console {
 public:
  explicit Console(const std::string& input = "")
      : in_(input),
        oldOut_(std::cout.rdbuf(out_.rdbuf())),
        oldIn_(std::cin.rdbuf(in_.rdbuf())),
        oldFlags_(std::cout.flags()),
        oldInState_(std::cin.rdstate()) {}
  ~Console() {
    std::cout.rdbuf(oldOut_);
    std::cin.rdbuf(oldIn_);
    std::cout.flags(oldFlags_);
    std::cin.clear(oldInState_);
  }
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  std::string output() const { return out_.str(); }
  // What the code under test left unread.
  std::string unreadInput() {
    std::string rest;
    std::getline(in_, rest, '\0');
    return rest;
  }

 private:
  std::ostringstream out_;
  std::istringstream in_;
  std::streambuf* oldOut_;
  std::streambuf* oldIn_;
  std::ios::fmtflags oldFlags_;
  std::ios::iostate oldInState_;
};

}  // namespace solver_test
