#include "solver/attitude_console.h"

#include <iomanip>
#include <ostream>

#include "elements/console.h"

namespace {

// The iteration's texts, one table per language; the numbers go between them.
struct AttitudeTexts {
  const char* assumption;
  const char* angleError;
  const char* radians;
  const char* relativeError;
  const char* absoluteError;
  const char* distanceNote;
  const char* legend;
  const char* prompt;
  const char* pointsTooClose;
};

// Chinese, the program's own texts (GBK bytes). The colon after 注 is the full-width one
// (A3 BA); the quotes are ASCII.
constexpr AttitudeTexts kChinese{
    // assumption: 假定浮体固定,水面移动和旋转. 初始水面法向N=<0,0,1>竖直向上.
    "\xbc\xd9\xb6\xa8\xb8\xa1\xcc\xe5\xb9\xcc\xb6\xa8,"
    "\xcb\xae\xc3\xe6\xd2\xc6\xb6\xaf\xba\xcd\xd0\xfd\xd7\xaa. "
    "\xb3\xf5\xca\xbc\xcb\xae\xc3\xe6\xb7\xa8\xcf\xf2N=<0,0,1>\xca\xfa\xd6\xb1\xcf\xf2\xc9\xcf.",
    // angleError: 姿态旋转角误差a_error=
    "\xd7\xcb\xcc\xac\xd0\xfd\xd7\xaa\xbd\xc7\xce\xf3\xb2\xee"
    "a_error=",
    // radians: (弧度)
    "(\xbb\xa1\xb6\xc8)",
    // relativeError: 相对距离误差error=
    "\xcf\xe0\xb6\xd4\xbe\xe0\xc0\xeb\xce\xf3\xb2\xee"
    "error=",
    // absoluteError: , 绝对距离误差d_error=
    ", \xbe\xf8\xb6\xd4\xbe\xe0\xc0\xeb\xce\xf3\xb2\xee"
    "d_error=",
    // distanceNote: (注："距离"是指重力和浮力作用线的距离)
    "(\xd7\xa2\xa3\xba\"\xbe\xe0\xc0\xeb\"\xca\xc7\xd6\xb8\xd6\xd8\xc1\xa6\xba\xcd\xb8\xa1\xc1\xa6"
    "\xd7\xf7\xd3\xc3\xcf\xdf\xb5\xc4\xbe\xe0\xc0\xeb)",
    // legend: det_an:转角步长; d:重心和浮心作用线距离; N:水面法向
    "det_an:\xd7\xaa\xbd\xc7\xb2\xbd\xb3\xa4; "
    "d:\xd6\xd8\xd0\xc4\xba\xcd\xb8\xa1\xd0\xc4\xd7\xf7\xd3\xc3\xcf\xdf\xbe\xe0\xc0\xeb; "
    "N:\xcb\xae\xc3\xe6\xb7\xa8\xcf\xf2",
    // prompt: 旋转角步长足够小但距离无法缩小(原因有可能是浮体重心过高)!继续迭代输入'y',否则输入'n'.
    "\xd0\xfd\xd7\xaa\xbd\xc7\xb2\xbd\xb3\xa4\xd7\xe3\xb9\xbb\xd0\xa1\xb5\xab\xbe\xe0\xc0\xeb\xce"
    "\xde\xb7\xa8\xcb\xf5\xd0\xa1("
    "\xd4\xad\xd2\xf2\xd3\xd0\xbf\xc9\xc4\xdc\xca\xc7\xb8\xa1\xcc\xe5\xd6\xd8\xd0\xc4\xb9\xfd\xb8"
    "\xdf)!\xbc\xcc\xd0\xf8\xb5\xfc\xb4\xfa\xca\xe4\xc8\xeb'y',\xb7\xf1\xd4\xf2\xca\xe4\xc8\xeb'n'"
    ".",
    // pointsTooClose: 两点之间的距离小于1e-10 !
    "\xc1\xbd\xb5\xe3\xd6\xae\xbc\xe4\xb5\xc4\xbe\xe0\xc0\xeb\xd0\xa1\xd3\xda"
    "1e-10 !",
};

// English.
constexpr AttitudeTexts kEnglish{
    /* assumption */
    "Body assumed fixed, water surface moving and rotating. Initial water-plane normal N=<0,0,1> "
    "vertically upward.",
    /* angleError */ "Attitude rotation angle error a_error=",
    /* radians */ "(radians)",
    /* relativeError */ "Relative distance error error=",
    /* absoluteError */ ", absolute distance error d_error=",
    /* distanceNote */
    "(note: \"distance\" is the distance between the lines of action of gravity and buoyancy)",
    /* legend */
    "det_an:rotation angle step; d:distance of the lines of action through gravity and buoyancy "
    "centres; N:water-plane normal",
    /* prompt */
    "Rotation angle step small enough but distance cannot be reduced (possibly the centre of "
    "gravity of the body is too high)!To continue the iteration enter 'y', otherwise enter 'n'.",
    /* pointsTooClose */ "Distance between the two points less than 1e-10 !",
};

const AttitudeTexts& texts() {
  return console::inLanguage(kChinese, kEnglish);
}

}  // namespace

void writeAttitudeHeader(double aError, double error, double dError) {
  const AttitudeTexts& t = texts();
  console::out() << t.assumption << std::endl;
  console::out() << t.angleError << aError << t.radians << std::endl;
  console::out() << t.relativeError << error << t.absoluteError << dError << t.distanceNote
                 << std::endl;
  console::out() << t.legend << std::endl;
}

void writeAttitudeStepLine(int step, double detAn, double d, const Vec3& normal) {
  if (!console::progressShown())
    return;
  console::out() << "Step" << std::right << std::setw(3) << step << ": det_an=" << std::left
                 << std::setw(13);
  if (step == 0) {
    console::out() << 0;
  } else {
    console::out() << detAn;
  }
  console::out() << ", d=" << std::setw(13) << d << ",N=<" << std::setw(10) << normal.x << ","
                 << std::setw(10) << normal.y << "," << std::setw(10) << normal.z << ">"
                 << std::endl;
}

void writeAttitudePrompt() {
  console::out() << texts().prompt << std::endl;
}

void writeAttitudeAnswer(bool yes) {
  console::out() << (yes ? 'y' : 'n') << std::endl;
}

void writePointsTooCloseMessage() {
  console::out() << texts().pointsTooClose << std::endl;
}
