#include "app/report/booklet_texts.h"

namespace {

// Chinese (GBK bytes).
constexpr BookletTexts kChinese{
    // hydrostaticTitle: 静水力表(正浮, 水线面z=T; KB与KM自基线z=0量起; L为长度单位):
    "\xbe\xb2\xcb\xae\xc1\xa6\xb1\xed(\xd5\xfd\xb8\xa1, \xcb\xae\xcf\xdf\xc3\xe6z=T; "
    "KB\xd3\xebKM\xd7\xd4\xbb\xf9\xcf\xdfz=0\xc1\xbf\xc6\xf0; "
    "L\xce\xaa\xb3\xa4\xb6\xc8\xb5\xa5\xce\xbb):",
    // waterDensity: 水密度(t/m^3):
    "\xcb\xae\xc3\xdc\xb6\xc8(t/m^3): ",
    // seaWater:  (未给出装载工况, 取海水)
    " (\xce\xb4\xb8\xf8\xb3\xf6\xd7\xb0\xd4\xd8\xb9\xa4\xbf\xf6, \xc8\xa1\xba\xa3\xcb\xae)",
    // crossCurvesTitle: 稳性横截曲线KN(L为长度单位; 参考点在基线z=0与中线y=0上):
    "\xce\xc8\xd0\xd4\xba\xe1\xbd\xd8\xc7\xfa\xcf\xdfKN(L\xce\xaa\xb3\xa4\xb6\xc8\xb5\xa5\xce\xbb; "
    "\xb2\xce\xbf\xbc\xb5\xe3\xd4\xda\xbb\xf9\xcf\xdfz=0\xd3\xeb\xd6\xd0\xcf\xdfy=0\xc9\xcf):",
    // referenceX: 参考点x(L):
    "\xb2\xce\xbf\xbc\xb5\xe3x(L): ",
    // heel: 横倾角(度)
    "\xba\xe1\xc7\xe3\xbd\xc7(\xb6\xc8)",
    // criteriaTitle: 完整稳性衡准
    "\xcd\xea\xd5\xfb\xce\xc8\xd0\xd4\xba\xe2\xd7\xbc ",
    // criterion: 衡准
    "\xba\xe2\xd7\xbc",
    // required: 要求值
    "\xd2\xaa\xc7\xf3\xd6\xb5",
    // attained: 实际值
    "\xca\xb5\xbc\xca\xd6\xb5",
    // unit: 单位
    "\xb5\xa5\xce\xbb",
    // result: 结论
    "\xbd\xe1\xc2\xdb",
    // margin: 裕量
    "\xd4\xa3\xc1\xbf",
    // pass: 满足
    "\xc2\xfa\xd7\xe3",
    // fail: 不满足
    "\xb2\xbb\xc2\xfa\xd7\xe3",
    // area030: 0至30度GZ曲线下面积
    "0\xd6\xc1"
    "30\xb6\xc8GZ\xc7\xfa\xcf\xdf\xcf\xc2\xc3\xe6\xbb\xfd",
    // area040: 0至40度(或进水角)GZ曲线下面积
    "0\xd6\xc1"
    "40\xb6\xc8(\xbb\xf2\xbd\xf8\xcb\xae\xbd\xc7)GZ\xc7\xfa\xcf\xdf\xcf\xc2\xc3\xe6\xbb\xfd",
    // area3040: 30至40度(或进水角)GZ曲线下面积
    "30\xd6\xc1"
    "40\xb6\xc8(\xbb\xf2\xbd\xf8\xcb\xae\xbd\xc7)GZ\xc7\xfa\xcf\xdf\xcf\xc2\xc3\xe6\xbb\xfd",
    // gz30: 30度及以上横倾角的最大GZ
    "30\xb6\xc8\xbc\xb0\xd2\xd4\xc9\xcf\xba\xe1\xc7\xe3\xbd\xc7\xb5\xc4\xd7\xee\xb4\xf3GZ",
    // angleMaxGz: 最大GZ对应的横倾角
    "\xd7\xee\xb4\xf3GZ\xb6\xd4\xd3\xa6\xb5\xc4\xba\xe1\xc7\xe3\xbd\xc7",
    // gm0: 初稳性高GM0
    "\xb3\xf5\xce\xc8\xd0\xd4\xb8\xdfGM0",
    // weather: 气象衡准(面积b/面积a)
    "\xc6\xf8\xcf\xf3\xba\xe2\xd7\xbc(\xc3\xe6\xbb\xfd"
    "b/\xc3\xe6\xbb\xfd"
    "a)",
    // areaRatio: 面积比(复原力臂/风倾力臂)
    "\xc3\xe6\xbb\xfd\xb1\xc8(\xb8\xb4\xd4\xad\xc1\xa6\xb1\xdb/\xb7\xe7\xc7\xe3\xc1\xa6\xb1\xdb)",
    // side: 横倾方向
    "\xba\xe1\xc7\xe3\xb7\xbd\xcf\xf2",
    // floodingAngle: 进水角
    "\xbd\xf8\xcb\xae\xbd\xc7",
    // opening: 开口
    "\xbf\xaa\xbf\xda",
    // weatherDetails: 气象衡准
    "\xc6\xf8\xcf\xf3\xba\xe2\xd7\xbc",
    // areaRatioDetails: 面积比衡准
    "\xc3\xe6\xbb\xfd\xb1\xc8\xba\xe2\xd7\xbc",
    // verdict: 总结论
    "\xd7\xdc\xbd\xe1\xc2\xdb",
};

// English.
constexpr BookletTexts kEnglish{
    /* hydrostaticTitle */
    "Hydrostatic table (upright, water plane z = T; KB and KM above the baseline z = 0; L is the "
    "length unit):",
    /* waterDensity */ "water density (t/m^3): ",
    /* seaWater */ " (no loading condition: sea water)",
    /* crossCurvesTitle */
    "Cross curves of stability KN (L is the length unit; the reference point on the baseline z = 0 "
    "and the centre line y = 0):",
    /* referenceX */ "reference point x (L): ",
    /* heel */ "heel (deg)",
    /* criteriaTitle */ "Intact stability criteria ",
    /* criterion */ "criterion",
    /* required */ "required",
    /* attained */ "attained",
    /* unit */ "unit",
    /* result */ "result",
    /* margin */ "margin",
    /* pass */ "pass",
    /* fail */ "fail",
    /* area030 */ "area under GZ, 0 to 30 deg",
    /* area040 */ "area under GZ, 0 to 40 deg or flooding",
    /* area3040 */ "area under GZ, 30 to 40 deg or flooding",
    /* gz30 */ "largest GZ at 30 deg or more",
    /* angleMaxGz */ "heel of the maximum GZ",
    /* gm0 */ "initial metacentric height GM0",
    /* weather */ "weather criterion, area b / area a",
    /* areaRatio */ "area ratio, righting / wind heeling",
    /* side */ "heeling side",
    /* floodingAngle */ "flooding angle",
    /* opening */ "opening",
    /* weatherDetails */ "weather criterion",
    /* areaRatioDetails */ "area ratio",
    /* verdict */ "verdict",
};

}  // namespace

const BookletTexts& bookletTexts(Language language) {
  return language == Language::kEnglish ? kEnglish : kChinese;
}
