#include "solver/attitude_console.h"

#include <iomanip>
#include <ostream>

#include "elements/console.h"

void writeAttitudeHeader(double aError, double error, double dError) {
  // 假定浮体固定,水面移动和旋转. 初始水面法向N=<0,0,1>竖直向上.
  console::out()
      << "\xbc\xd9\xb6\xa8\xb8\xa1\xcc\xe5\xb9\xcc\xb6\xa8,\xcb\xae\xc3\xe6\xd2\xc6\xb6\xaf"
         "\xba\xcd\xd0\xfd\xd7\xaa. \xb3\xf5\xca\xbc\xcb\xae\xc3\xe6\xb7\xa8\xcf\xf2"
         "N=<0,0,1>\xca\xfa\xd6\xb1\xcf\xf2\xc9\xcf."
      << std::endl;
  // 姿态旋转角误差a_error= ... (弧度)
  console::out() << "\xd7\xcb\xcc\xac\xd0\xfd\xd7\xaa\xbd\xc7\xce\xf3\xb2\xee"
                    "a_error="
                 << aError << "(\xbb\xa1\xb6\xc8)" << std::endl;
  // 相对距离误差error= ... , 绝对距离误差d_error= ... (注："距离"是指重力和浮力作用线的距离)
  // The colon after 注 is the full-width one (A3 BA); the quotes are ASCII.
  console::out()
      << "\xcf\xe0\xb6\xd4\xbe\xe0\xc0\xeb\xce\xf3\xb2\xee"
         "error="
      << error
      << ", \xbe\xf8\xb6\xd4\xbe\xe0\xc0\xeb\xce\xf3\xb2\xee"
         "d_error="
      << dError
      << "(\xd7\xa2\xa3\xba\"\xbe\xe0\xc0\xeb\"\xca\xc7\xd6\xb8\xd6\xd8\xc1\xa6\xba\xcd\xb8\xa1"
         "\xc1\xa6\xd7\xf7\xd3\xc3\xcf\xdf\xb5\xc4\xbe\xe0\xc0\xeb)"
      << std::endl;
  // det_an:转角步长; d:重心和浮心作用线距离; N:水面法向
  console::out()
      << "det_an:\xd7\xaa\xbd\xc7\xb2\xbd\xb3\xa4; d:\xd6\xd8\xd0\xc4\xba\xcd\xb8\xa1\xd0\xc4"
         "\xd7\xf7\xd3\xc3\xcf\xdf\xbe\xe0\xc0\xeb; N:\xcb\xae\xc3\xe6\xb7\xa8\xcf\xf2"
      << std::endl;
}

void writeAttitudeStepLine(int step, double detAn, double d, const Vec3& normal) {
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
  // 旋转角步长足够小但距离无法缩小(原因有可能是浮体重心过高)!继续迭代输入'y',否则输入'n'.
  console::out()
      << "\xd0\xfd\xd7\xaa\xbd\xc7\xb2\xbd\xb3\xa4\xd7\xe3\xb9\xbb\xd0\xa1\xb5\xab\xbe\xe0"
         "\xc0\xeb\xce\xde\xb7\xa8\xcb\xf5\xd0\xa1(\xd4\xad\xd2\xf2\xd3\xd0\xbf\xc9\xc4\xdc"
         "\xca\xc7\xb8\xa1\xcc\xe5\xd6\xd8\xd0\xc4\xb9\xfd\xb8\xdf)!\xbc\xcc\xd0\xf8\xb5\xfc"
         "\xb4\xfa\xca\xe4\xc8\xeb'y',\xb7\xf1\xd4\xf2\xca\xe4\xc8\xeb'n'."
      << std::endl;
}
