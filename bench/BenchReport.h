#pragma once

#include <cstdio>
#include <string>

// One line per figure: name, value and unit, the reference measured in the same run,
// and the ratio value / reference.
inline void benchReport(const std::string &name, double value, const std::string &unit,
                        double reference, const std::string &referenceName = "reference")
{
    const double ratio = reference != 0.0 ? value / reference : 0.0;
    std::printf("%-48s %14.4f %-8s %s %14.4f %-8s ratio %.3f\n", name.c_str(), value,
                unit.c_str(), referenceName.c_str(), reference, unit.c_str(), ratio);
    std::fflush(stdout);
}
