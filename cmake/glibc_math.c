/* The pow and powf that the copy of Debian 11's libpng.a calls (cmake/decoders.cmake):
   compiled with cmake/glibc-2.17.h, they are the versions every glibc since 2.2.5 has. */
#include <math.h>

double tarvelin_glibc217_pow(double x, double y);
float tarvelin_glibc217_powf(float x, float y);

double tarvelin_glibc217_pow(double x, double y) { return pow(x, y); }
float tarvelin_glibc217_powf(float x, float y) { return powf(x, y); }
