# %% [markdown]
# # The righting-arm curve of the semi-submersible
#
# A notebook-style script (the `# %%` lines are cells for editors that run them one by one):
# floats the shipped semi-submersible as the program does, then at two heavier loadings, and
# plots the righting arm GZ against the heel with matplotlib. Run it as
#
#     python3 examples/python/gz_curve.py [PICTURE.png]
#
# after installing the package (README, "Python package"). Without a display it draws with
# matplotlib's Agg backend and writes the PNG file (gz_curve.png in the current folder unless
# named).

# %%
import pathlib
import sys

import matplotlib

if "ipykernel" not in sys.modules:
    matplotlib.use("Agg")  # no display needed
import matplotlib.pyplot as plt

import floatstate

here = pathlib.Path(__file__).resolve().parent
body = floatstate.Body.from_set(here.parent / "semi_submersible" / "semi_submersible.txt")
print(f"{body.path}: V = {body.displacement} m^3, G = {body.gravity} m")

# %% [markdown]
# The equilibrium as the program reports it, then the curve over 0 to 60 degrees of heel, each
# heel at its own balanced trim.

# %%
report = floatstate.solve(body, method="newton")
print(f"heel {report['heelDeg']:.4f} deg, trim {report['trimDeg']:.4f} deg, "
      f"GMt {report['hydrostatics']['GMt']:.3f} m, verdict {report['verdict']}")

loadings = {"as built": {}}
for factor in (1.1, 1.2):
    loadings[f"{factor:.0%} displacement"] = {"displacement": body.displacement * factor}
curves = {name: floatstate.gz(body, "0:60:2", method="newton", **settings)
          for name, settings in loadings.items()}

# %%
figure, axes = plt.subplots(figsize=(7, 4.5))
for name, curve in curves.items():
    heels = [p["heelDeg"] for p in curve["gz"]]
    arms = [p["gz"] for p in curve["gz"]]
    line, = axes.plot(heels, arms, label=name)
    peak = curve["gzSummary"]
    if peak["maxGz"] is not None:
        axes.plot(peak["maxGzHeelDeg"], peak["maxGz"], "o", color=line.get_color())
axes.axhline(0, color="black", linewidth=0.8)
axes.set_xlabel("heel (degrees)")
axes.set_ylabel("righting arm GZ (m)")
axes.set_title("Semi-submersible: righting arm by loading")
axes.grid(True, alpha=0.3)
axes.legend()

# %%
picture = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "gz_curve.png")
figure.savefig(picture, dpi=120, bbox_inches="tight")
print(f"wrote {picture}")
