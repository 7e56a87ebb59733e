#pragma once

#include <vector>

#include "app/report/svg_plot.h"
#include "app/report/svg_writer.h"
#include "stability/criteria_assessment.h"
#include "stability/cross_curves.h"

// The booklet's additions to the picture: the criteria's limits and heeling arms over the
// righting-arm panel, and a panel of the cross curves.

// Over the plot of the body's own curve (heels as the body heels, +y side deeper positive): for the
// side each criterion was judged on (mirrored for the -y side), the heels of 25, 30 and 40 degrees
// and the flooding angle, the arm of 0.2 m from 30 degrees on, and the heeling arms: the weather
// criterion's lw1 and lw2 from the roll's start to phi2, the wind heeling-arm curve of the
// area-ratio criterion. Only what lies within the plot's heels is drawn.
void drawCriteriaOverlay(SvgWriter& svg, const svg_plot::Plot& plot,
                         const CriteriaAssessment& criteria);

// The heights the overlay draws at, so that the plot can make room for them.
std::vector<double> criteriaOverlayLevels(const CriteriaAssessment& criteria);

// A titled panel with one curve of KN over the heel per displacement volume, each labelled.
void drawCrossCurvePanel(SvgWriter& svg, const std::vector<CrossCurve>& curves,
                         const svg_plot::Box& box);
