#include "stability/cross_curves.h"

#include "stability/hydrostatic_table.h"

std::vector<CrossCurve> crossCurves(FloatingBody& body, const std::vector<double>& volumes,
                                    const HeelRange& heels, std::optional<double> referenceX) {
  std::vector<CrossCurve> curves;
  for (double V : volumes) {
    CrossCurve c;
    c.displacementVolume = V;
    c.referenceX = referenceX ? *referenceX : floatUpright(body, V).buoyancyCentre.x;
    c.points = computeRightingArmCurve(body, V, Vec3(c.referenceX, 0, 0), heels).points;
    curves.push_back(std::move(c));
  }
  return curves;
}
