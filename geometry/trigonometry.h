#pragma once

// Sine and cosine of the turns the program makes (the circle points of a cylinder, the tilts of
// the water plane), the same bits on every system it is built for. The C library of Linux gives the
// correctly rounded value for every angle the program uses. The Windows runtime does not: its sine
// loses digits near multiples of pi, where a cylinder has two of its circle points. So on Windows
// both are computed in quadruple precision and rounded once to double (trigonometry_win32.cpp).
double sine(double angle);
double cosine(double angle);
