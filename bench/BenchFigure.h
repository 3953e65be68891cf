#pragma once

#include <QString>

#include <algorithm>
#include <cstdio>
#include <vector>

// One line of a benchmark's report: the figure, the baseline measured in
// the same run, their ratio and whether the target is met.
struct BenchFigure
{
    QString name;
    double value = 0;
    QString baselineName;
    double baseline = 0;
    QString unit = QStringLiteral("ms");
    QString target;
    bool met = false;

    double ratio() const { return baseline > 0 ? value / baseline : 0; }
    // Prints the line; true when the target is met.
    bool print() const
    {
        std::printf("%-52s %9.2f %s   baseline %9.2f %s (%s)   ratio %5.2f   target %s   %s\n",
                    qPrintable(name), value, qPrintable(unit), baseline, qPrintable(unit),
                    qPrintable(baselineName), ratio(), qPrintable(target),
                    met ? "met" : "MISSED");
        std::fflush(stdout);
        return met;
    }
};

inline double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}
