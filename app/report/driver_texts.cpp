#include "app/report/driver_texts.h"

namespace {

// Chinese, the program's own texts (GBK bytes).
constexpr DriverTexts kChinese{
    // banner: Tarnwick Oskeld 设计 2023.10.17版本
    "Tarnwick Oskeld \xc9\xe8\xbc\xc6 2023.10.17\xb0\xe6\xb1\xbe",
    // displacement: 排水体积=
    "\xc5\xc5\xcb\xae\xcc\xe5\xbb\xfd=",
    // gravity: 重心坐标(
    "\xd6\xd8\xd0\xc4\xd7\xf8\xb1\xea( ",
    // start: 开始迭代计算浮态:
    "\xbf\xaa\xca\xbc\xb5\xfc\xb4\xfa\xbc\xc6\xcb\xe3\xb8\xa1\xcc\xac:",
    // elapsedFormat: 迭代结束,计算时间=%.2lf seconds
    "\xb5\xfc\xb4\xfa\xbd\xe1\xca\xf8,\xbc\xc6\xcb\xe3\xca\xb1\xbc\xe4=%.2lf seconds\n",
    // plane: 水平面方程四个系数:A=
    "\xcb\xae\xc6\xbd\xc3\xe6\xb7\xbd\xb3\xcc\xcb\xc4\xb8\xf6\xcf\xb5\xca\xfd:A= ",
    // buoyancy: 浮体坐标系下, 浮心坐标(
    "\xb8\xa1\xcc\xe5\xd7\xf8\xb1\xea\xcf\xb5\xcf\xc2, \xb8\xa1\xd0\xc4\xd7\xf8\xb1\xea( ",
    /* pillarBefore */ "",
    // pillarDraft: 号立柱吃水=
    "\xba\xc5\xc1\xa2\xd6\xf9\xb3\xd4\xcb\xae=",
    // openFailed: 文件打开失败!
    "\xce\xc4\xbc\xfe\xb4\xf2\xbf\xaa\xca\xa7\xb0\xdc!",
    // textFilesFilter: 文本文件(*.txt)
    "\xce\xc4\xb1\xbe\xce\xc4\xbc\xfe(*.txt)",
    // allFilesFilter: 所有文件(*.*)
    "\xcb\xf9\xd3\xd0\xce\xc4\xbc\xfe(*.*)",
    // summaryTitle: 浮态汇总(
    "\xb8\xa1\xcc\xac\xbb\xe3\xd7\xdc(",
    // heel: 横倾角(+y侧下沉为正)
    "\xba\xe1\xc7\xe3\xbd\xc7(+y\xb2\xe0\xcf\xc2\xb3\xc1\xce\xaa\xd5\xfd)",
    // trim: 纵倾角(+x端下沉为正)
    "\xd7\xdd\xc7\xe3\xbd\xc7(+x\xb6\xcb\xcf\xc2\xb3\xc1\xce\xaa\xd5\xfd)",
    // meanDraft: 平均吃水
    "\xc6\xbd\xbe\xf9\xb3\xd4\xcb\xae",
    // waterplaneArea: 水线面面积
    "\xcb\xae\xcf\xdf\xc3\xe6\xc3\xe6\xbb\xfd",
    // centreOfFlotation: 漂心坐标
    "\xc6\xaf\xd0\xc4\xd7\xf8\xb1\xea",
    // kb: 浮心高度KB
    "\xb8\xa1\xd0\xc4\xb8\xdf\xb6\xc8KB",
    // bmt: 横稳心半径BMt
    "\xba\xe1\xce\xc8\xd0\xc4\xb0\xeb\xbe\xb6"
    "BMt",
    // bml: 纵稳心半径BMl
    "\xd7\xdd\xce\xc8\xd0\xc4\xb0\xeb\xbe\xb6"
    "BMl",
    // gmt: 横稳性高GMt
    "\xba\xe1\xce\xc8\xd0\xd4\xb8\xdfGMt",
    // gml: 纵稳性高GMl
    "\xd7\xdd\xce\xc8\xd0\xd4\xb8\xdfGMl",
    // verdict: 结论
    "\xbd\xe1\xc2\xdb",
    // mark: 吃水标志
    "\xb3\xd4\xcb\xae\xb1\xea\xd6\xbe ",
    // degrees: 度
    "\xb6\xc8",
    // noValue: 无
    "\xce\xde",
    // stable: 稳定平衡
    "\xce\xc8\xb6\xa8\xc6\xbd\xba\xe2",
    // unstable: 不稳定平衡
    "\xb2\xbb\xce\xc8\xb6\xa8\xc6\xbd\xba\xe2",
    // notConverged: 未收敛
    "\xce\xb4\xca\xd5\xc1\xb2",
    // gzTitle: 复原力臂曲线(
    "\xb8\xb4\xd4\xad\xc1\xa6\xb1\xdb\xc7\xfa\xcf\xdf(",
    // gzHeel: 横倾角(度)
    "\xba\xe1\xc7\xe3\xbd\xc7(\xb6\xc8)",
    // gzTrim: 纵倾角(度)
    "\xd7\xdd\xc7\xe3\xbd\xc7(\xb6\xc8)",
    // gzArm: 复原力臂GZ(L)
    "\xb8\xb4\xd4\xad\xc1\xa6\xb1\xdbGZ(L)",
    // gzMaximum: 最大复原力臂
    "\xd7\xee\xb4\xf3\xb8\xb4\xd4\xad\xc1\xa6\xb1\xdb",
    // gzMaximumHeel: 最大复原力臂横倾角
    "\xd7\xee\xb4\xf3\xb8\xb4\xd4\xad\xc1\xa6\xb1\xdb\xba\xe1\xc7\xe3\xbd\xc7",
    // gzVanishing: 稳性消失角
    "\xce\xc8\xd0\xd4\xcf\xfb\xca\xa7\xbd\xc7",
    // gzArea30: 0至30度曲线下面积
    "0\xd6\xc1"
    "30\xb6\xc8\xc7\xfa\xcf\xdf\xcf\xc2\xc3\xe6\xbb\xfd",
    // gzArea40: 0至40度曲线下面积
    "0\xd6\xc1"
    "40\xb6\xc8\xc7\xfa\xcf\xdf\xcf\xc2\xc3\xe6\xbb\xfd",
    // gzTrimNotFound: *: 该横倾角下纵倾在正负89度内未能平衡
    "*: \xb8\xc3\xba\xe1\xc7\xe3\xbd\xc7\xcf\xc2\xd7\xdd\xc7\xe3\xd4\xda\xd5\xfd\xb8\xba"
    "89\xb6\xc8\xc4\xda\xce\xb4\xc4\xdc\xc6\xbd\xba\xe2",
    // gzOpening: 横倾%s度时水到达曲面的开口边缘%s, 曲线止于此
    "\xba\xe1\xc7\xe3%s\xb6\xc8\xca\xb1\xcb\xae\xb5\xbd\xb4\xef\xc7\xfa\xc3\xe6\xb5\xc4"
    "\xbf\xaa\xbf\xda\xb1\xdf\xd4\xb5%s, \xc7\xfa\xcf\xdf\xd6\xb9\xd3\xda\xb4\xcb",
    // unitOfSetFile: L为SET文件的长度单位
    "L\xce\xaaSET\xce\xc4\xbc\xfe\xb5\xc4\xb3\xa4\xb6\xc8\xb5\xa5\xce\xbb",
    // unitOfMeshFile: L为网格文件的长度单位
    "L\xce\xaa\xcd\xf8\xb8\xf1\xce\xc4\xbc\xfe\xb5\xc4\xb3\xa4\xb6\xc8\xb5\xa5\xce\xbb",
    // baselineBefore: ; KB和吃水自基线z =
    "; KB\xba\xcd\xb3\xd4\xcb\xae\xd7\xd4\xbb\xf9\xcf\xdfz = ",
    // baselineAfter: 起算
    "\xc6\xf0\xcb\xe3",
    /* titleEnd */ "):",
    // loadingTitle: 装载工况(单位: m, t, t/m^3, t*m):
    "\xd7\xb0\xd4\xd8\xb9\xa4\xbf\xf6(\xb5\xa5\xce\xbb: m, t, t/m^3, t*m):",
    // waterDensity: 水密度
    "\xcb\xae\xc3\xdc\xb6\xc8",
    // weightLabel: 重量
    "\xd6\xd8\xc1\xbf ",
    // tankLabel: 液舱
    "\xd2\xba\xb2\xd5 ",
    // compartmentLabel: 进水舱
    "\xbd\xf8\xcb\xae\xb2\xd5 ",
    // momentLabel: 倾侧力矩
    "\xc7\xe3\xb2\xe0\xc1\xa6\xbe\xd8 ",
    // fillWord: 装载率
    "\xd7\xb0\xd4\xd8\xc2\xca",
    // volumeWord: 体积
    "\xcc\xe5\xbb\xfd",
    // massWord: 质量
    "\xd6\xca\xc1\xbf",
    // centreWord: 重心
    "\xd6\xd8\xd0\xc4",
    // centroidWord: 形心
    "\xd0\xce\xd0\xc4",
    // freeSurfaceWord: 自由液面力矩
    "\xd7\xd4\xd3\xc9\xd2\xba\xc3\xe6\xc1\xa6\xbe\xd8",
    // permeabilityWord: 渗透率
    "\xc9\xf8\xcd\xb8\xc2\xca",
    // floodedWord: 进水体积
    "\xbd\xf8\xcb\xae\xcc\xe5\xbb\xfd",
    // heelDirection: 横倾
    "\xba\xe1\xc7\xe3",
    // trimDirection: 纵倾
    "\xd7\xdd\xc7\xe3",
    // totalMass: 总质量
    "\xd7\xdc\xd6\xca\xc1\xbf",
    // displacementVolume: 排水体积
    "\xc5\xc5\xcb\xae\xcc\xe5\xbb\xfd",
    // kgSolid: 重心高度KG(固体)
    "\xd6\xd8\xd0\xc4\xb8\xdf\xb6\xc8KG(\xb9\xcc\xcc\xe5)",
    // fscTransverse: 横向自由液面修正
    "\xba\xe1\xcf\xf2\xd7\xd4\xd3\xc9\xd2\xba\xc3\xe6\xd0\xde\xd5\xfd",
    // fscLongitudinal: 纵向自由液面修正
    "\xd7\xdd\xcf\xf2\xd7\xd4\xd3\xc9\xd2\xba\xc3\xe6\xd0\xde\xd5\xfd",
    // kgFluid: 重心高度KG(计自由液面)
    "\xd6\xd8\xd0\xc4\xb8\xdf\xb6\xc8KG(\xbc\xc6\xd7\xd4\xd3\xc9\xd2\xba\xc3\xe6)",
    // gmtSolid: 横稳性高GMt(固体)
    "\xba\xe1\xce\xc8\xd0\xd4\xb8\xdfGMt(\xb9\xcc\xcc\xe5)",
    // gmlSolid: 纵稳性高GMl(固体)
    "\xd7\xdd\xce\xc8\xd0\xd4\xb8\xdfGMl(\xb9\xcc\xcc\xe5)",
    // gmtFluid: 横稳性高GMt(计自由液面)
    "\xba\xe1\xce\xc8\xd0\xd4\xb8\xdfGMt(\xbc\xc6\xd7\xd4\xd3\xc9\xd2\xba\xc3\xe6)",
    // gmlFluid: 纵稳性高GMl(计自由液面)
    "\xd7\xdd\xce\xc8\xd0\xd4\xb8\xdfGMl(\xbc\xc6\xd7\xd4\xd3\xc9\xd2\xba\xc3\xe6)",
    // gzHeelingArm: 倾侧力臂(L)
    "\xc7\xe3\xb2\xe0\xc1\xa6\xb1\xdb(L)",
    // gzCrossing: 复原力臂与倾侧力臂交点横倾角
    "\xb8\xb4\xd4\xad\xc1\xa6\xb1\xdb\xd3\xeb\xc7\xe3\xb2\xe0\xc1\xa6\xb1\xdb\xbd\xbb\xb5\xe3\xba"
    "\xe1\xc7\xe3\xbd\xc7",
    // gzResidual: 交点以后剩余面积
    "\xbd\xbb\xb5\xe3\xd2\xd4\xba\xf3\xca\xa3\xd3\xe0\xc3\xe6\xbb\xfd",
    // gzResidualToEnd: 交点以后剩余面积(至范围终点)
    "\xbd\xbb\xb5\xe3\xd2\xd4\xba\xf3\xca\xa3\xd3\xe0\xc3\xe6\xbb\xfd("
    "\xd6\xc1\xb7\xb6\xce\xa7\xd6\xd5\xb5\xe3)",
};

// English.
constexpr DriverTexts kEnglish{
    /* banner */ "Tarnwick Oskeld design, version 2023.10.17",
    /* displacement */ "Displacement volume=",
    /* gravity */ "Centre of gravity( ",
    /* start */ "Start of the iteration of the floating attitude:",
    /* elapsedFormat */ "Iteration ended, computing time=%.2lf seconds\n",
    /* plane */ "Four coefficients of the water plane equation:A= ",
    /* buoyancy */ "In body coordinates, centre of buoyancy( ",
    /* pillarBefore */ "Pillar ",
    /* pillarDraft */ " draft=",
    /* openFailed */ "File open failed!",
    /* textFilesFilter */ "Text files(*.txt)",
    /* allFilesFilter */ "All files(*.*)",
    /* summaryTitle */ "Summary (",
    /* heel */ "heel (+y side deeper)",
    /* trim */ "trim (+x end deeper)",
    /* meanDraft */ "mean draft",
    /* waterplaneArea */ "waterplane area",
    /* centreOfFlotation */ "centre of flotation",
    /* kb */ "KB",
    /* bmt */ "BMt",
    /* bml */ "BMl",
    /* gmt */ "GMt",
    /* gml */ "GMl",
    /* verdict */ "verdict",
    /* mark */ "draft mark ",
    /* degrees */ "deg",
    /* noValue */ "none",
    /* stable */ "stable equilibrium",
    /* unstable */ "unstable equilibrium",
    /* notConverged */ "not converged",
    /* gzTitle */ "Righting-arm curve (",
    /* gzHeel */ "heel (deg)",
    /* gzTrim */ "trim (deg)",
    /* gzArm */ "GZ (L)",
    /* gzMaximum */ "maximum GZ",
    /* gzMaximumHeel */ "heel of maximum GZ",
    /* gzVanishing */ "angle of vanishing stability",
    /* gzArea30 */ "area under the curve, 0 to 30 deg",
    /* gzArea40 */ "area under the curve, 0 to 40 deg",
    /* gzTrimNotFound */ "*: no trim within +-89 deg balances the body at this heel",
    /* gzOpening */
    "the curve ends at a heel of %s deg, where the water reaches the open edge of the surface "
    "at %s",
    /* unitOfSetFile */ "L is the length unit of the SET file",
    /* unitOfMeshFile */ "L is the length unit of the mesh file",
    /* baselineBefore */ "; KB and drafts above the baseline z = ",
    /* baselineAfter */ "",
    /* titleEnd */ "):",
    /* loadingTitle */ "Loading condition (m, t, t/m^3, t*m):",
    /* waterDensity */ "water density",
    /* weightLabel */ "weight ",
    /* tankLabel */ "tank ",
    /* compartmentLabel */ "flooded compartment ",
    /* momentLabel */ "heeling moment ",
    /* fillWord */ "fill",
    /* volumeWord */ "volume",
    /* massWord */ "mass",
    /* centreWord */ "centre",
    /* centroidWord */ "centre",
    /* freeSurfaceWord */ "free-surface moment",
    /* permeabilityWord */ "permeability",
    /* floodedWord */ "flooded volume",
    /* heelDirection */ "heel",
    /* trimDirection */ "trim",
    /* totalMass */ "mass",
    /* displacementVolume */ "displacement volume",
    /* kgSolid */ "KG solid",
    /* fscTransverse */ "free-surface correction, transverse",
    /* fscLongitudinal */ "free-surface correction, longitudinal",
    /* kgFluid */ "KG fluid",
    /* gmtSolid */ "GMt solid",
    /* gmlSolid */ "GMl solid",
    /* gmtFluid */ "GMt fluid",
    /* gmlFluid */ "GMl fluid",
    /* gzHeelingArm */ "heeling arm (L)",
    /* gzCrossing */ "heel where GZ meets the heeling arm",
    /* gzResidual */ "residual area beyond it",
    /* gzResidualToEnd */ "residual area beyond it (to the end of the range)",
};

}  // namespace

const DriverTexts& driverTexts(Language language) {
  switch (language) {
    case Language::kEnglish:
      return kEnglish;
    case Language::kChinese:
      break;
  }
  return kChinese;
}
