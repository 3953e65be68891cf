// SPDX-License-Identifier: GPL-3.0-or-later
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
    // When set, the ratio taken round by round; else value / baseline.
    double pairedRatio = 0;

    double ratio() const
    {
        if (pairedRatio > 0)
            return pairedRatio;
        return baseline > 0 ? value / baseline : 0;
    }
    // Prints the line; true when the target is met.
    bool print() const
    {
        std::printf("%-66s %8.2f %s   baseline %8.2f %s (%s)   ratio %5.2f   target %s   %s\n",
                    qPrintable(name), value, qPrintable(unit), baseline, qPrintable(unit),
                    qPrintable(baselineName), ratio(), qPrintable(target), met ? "met" : "MISSED");
        std::fflush(stdout);
        return met;
    }
};

// Robust against the odd slow round on a shared machine.
inline double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The median of ours[i] / theirs[i]: rounds are taken in turns, so a slow
// spell of the machine falls on both sides of a pair.
inline double medianRatio(const std::vector<double>& ours, const std::vector<double>& theirs)
{
    std::vector<double> ratios;
    for (size_t i = 0; i < ours.size() && i < theirs.size(); ++i)
        if (theirs[i] > 0)
            ratios.push_back(ours[i] / theirs[i]);
    return median(ratios);
}

// A figure from rounds taken in turns: both medians, and the ratio taken
// round by round; the target and whether it is met are left to the caller.
inline BenchFigure pairedFigure(const QString& name, const std::vector<double>& ours,
                                const QString& baselineName, const std::vector<double>& theirs,
                                const QString& unit)
{
    BenchFigure figure{name, median(ours), baselineName, median(theirs), unit, QString()};
    figure.pairedRatio = medianRatio(ours, theirs);
    return figure;
}
