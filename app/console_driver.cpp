#include "app/console_driver.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>

#include "app/pillar_file.h"
#include "app/platform.h"
#include "app/set_file_reader.h"
#include "elements/console.h"
#include "geometry/line_segment.h"
#include "geometry/plane.h"
#include "solver/attitude_iteration.h"
#include "solver/equilibrium_verdict.h"
#include "submerged/body_evaluation.h"

namespace {

// Tarnwick Oskeld 设计 2023.10.17版本
constexpr const char* kBanner = "Tarnwick Oskeld \xc9\xe8\xbc\xc6 2023.10.17\xb0\xe6\xb1\xbe";
// 排水体积=
constexpr const char* kDisplacement = "\xc5\xc5\xcb\xae\xcc\xe5\xbb\xfd=";
// 重心坐标(
constexpr const char* kGravity = "\xd6\xd8\xd0\xc4\xd7\xf8\xb1\xea( ";
// 开始迭代计算浮态:
constexpr const char* kStart = "\xbf\xaa\xca\xbc\xb5\xfc\xb4\xfa\xbc\xc6\xcb\xe3\xb8\xa1\xcc\xac:";
// 迭代结束,计算时间=%.2lf seconds
constexpr const char* kElapsedFormat =
    "\xb5\xfc\xb4\xfa\xbd\xe1\xca\xf8,\xbc\xc6\xcb\xe3\xca\xb1\xbc\xe4=%.2lf seconds\n";
// 水平面方程四个系数:A=
constexpr const char* kPlane =
    "\xcb\xae\xc6\xbd\xc3\xe6\xb7\xbd\xb3\xcc\xcb\xc4\xb8\xf6\xcf\xb5\xca\xfd:A= ";
// 浮体坐标系下, 浮心坐标(
constexpr const char* kBuoyancy =
    "\xb8\xa1\xcc\xe5\xd7\xf8\xb1\xea\xcf\xb5\xcf\xc2, \xb8\xa1\xd0\xc4\xd7\xf8\xb1\xea( ";
// 文件打开失败!
constexpr const char* kOpenFailed = "\xce\xc4\xbc\xfe\xb4\xf2\xbf\xaa\xca\xa7\xb0\xdc!";

// A result is reported only when the body holds the displacement volume below its water plane to
// this relative error. The draft search aims at 1e-10; this margin only catches planes it could
// not place at all, whose drafts would be wrong already in the printed digits.
constexpr double kResultVolumeTolerance = 1e-6;

// Volume of the whole body: a plane above its top submerges every element completely, and every
// tetrahedron then contributes its own volume, whatever the plane.
double wholeBodyVolume(FloatingBody& body) {
  return body.computeSubmergedVolume(Plane(0, 0, 1, -body.bounds.zMax));
}

[[noreturn]] void failRun(const std::string& message) {
  console::out() << message << std::endl;
  console::waitForUser();
  std::exit(1);
}

void writeElapsed(double seconds) {
  char line[128];
  std::snprintf(line, sizeof line, kElapsedFormat, seconds);
  console::out() << line << std::flush;
}

}  // namespace

void selectInputFile(std::string& inputFileName) {
  if (!inputFileName.empty())
    return;
  if (!chooseFileInteractively(inputFileName)) {
    inputFileName.clear();
    showWarningBox("Warning!", kOpenFailed);
  }
}

std::string whyBodyCannotFloat(FloatingBody& body, double V, const Vec3& G) {
  std::ostringstream why;
  if (body.tetrahedronCount + body.hexahedronCount + body.prismCount + body.cylinderCount == 0) {
    why << "The SET file describes no elements: there is no body to float.";
  } else if (!std::isfinite(V) || !(V > 0)) {
    why << "Volume of Displacement=" << V << " is not a positive volume.";
  } else if (!isFinite(G)) {
    why << "Gra_Pt=(" << G.x << ", " << G.y << ", " << G.z << ") is not a finite point.";
  } else if (!std::isfinite(body.bounds.diagonal())) {
    // Lengths, the tolerance of the iteration and the draft search's corners would overflow.
    why << "The body is too large to compute with: the diagonal of its bounding box is not a "
           "finite number (a coordinate or a radius is out of scale).";
  } else {
    const double whole = wholeBodyVolume(body);
    if (!std::isfinite(whole)) {
      why << "The volume of the body is not finite: an element is degenerate (for example a "
             "cylinder whose end points coincide).";
    } else if (V > whole) {
      why << "Volume of Displacement=" << V << " exceeds the volume of the whole body (" << whole
          << "): the body cannot float.";
    }
  }
  return why.str();
}

std::string whyResultIsUnsound(FloatingBody& body, double V, const Plane& plane,
                               const Vec3& buoyancyCentre) {
  std::ostringstream why;
  if (!isFinite(plane) || !isFinite(buoyancyCentre)) {
    why << "The iteration ended on a water plane or a centre of buoyancy that is not finite: the "
           "numbers of the SET file are out of scale.";
    return why.str();
  }
  // The draft search stops when the doubles can no longer move the plane (or after its last
  // trial), and then returns the closest plane it found. For a volume far below the resolution
  // of the body's coordinates that plane may hold nothing like V.
  const double held = body.computeSubmergedVolume(plane);
  if (!(std::fabs(held - V) <= kResultVolumeTolerance * V)) {
    why << "The water plane cannot be placed for Volume of Displacement=" << V
        << ": the closest plane found holds " << held
        << ". The volume is too small for the size of the body, or the body lies too far from "
           "the origin, for the plane to be placed that finely.";
  }
  return why.str();
}

int runConsoleDriver(std::string setFile) {
  FloatingBody body;
  console::out() << kBanner << std::endl;
  selectInputFile(setFile);
  writeWarnings(std::cerr, readSetFileWithWarnings(setFile.c_str(), body));

  const double V = body.displacementVolume;
  console::out() << kDisplacement << V << std::endl;
  const Vec3 G = body.getCentreOfGravity();
  console::out() << kGravity << G.x << " , " << G.y << " , " << G.z << " )" << std::endl;
  const std::string problem = whyBodyCannotFloat(body, V, G);
  if (!problem.empty())
    failRun(problem);
  body.prepareFastEvaluation();

  const std::int64_t frequency = performanceFrequency();
  const std::int64_t start = performanceCounter();
  console::out() << kStart << std::endl;
  Plane plane;
  Vec3 buoyancyCentre;
  body.solveFloatingAttitude(plane, buoyancyCentre, V, G);
  const std::int64_t end = performanceCounter();
  writeElapsed((static_cast<double>(end) - static_cast<double>(start)) /
               static_cast<double>(frequency));
  const std::string unsound = whyResultIsUnsound(body, V, plane, buoyancyCentre);
  if (!unsound.empty())
    failRun(unsound);

  console::out() << kPlane << plane.A << " , B=" << plane.B << " , C=" << plane.C
                 << " , D=" << plane.D << std::endl;
  console::out() << kBuoyancy << buoyancyCentre.x << " , " << buoyancyCentre.y << " , "
                 << buoyancyCentre.z << " )." << std::endl;

  LineSegment pillars[4];
  readPillarFile(pathInSameFolder(setFile, "FourPillars.txt").c_str(), pillars);
  Vec3 crossings[4];
  writePillarDrafts(plane, pillars, crossings);
  const EquilibriumCheck check = checkEquilibrium(body, plane, buoyancyCentre, V, G);
  for (const std::string& line : verdictLines(check))
    std::cerr << line << std::endl;
  pauseBeforeExit();
  return verdictExitCode(check);
}
