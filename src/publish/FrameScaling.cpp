// SPDX-License-Identifier: GPL-3.0-or-later
#include "FrameScaling.h"

#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

namespace {

constexpr int channels = 3;
// Weights are 256ths: a row of sums of 8-bit values then fits 16 bits.
constexpr int whole = 256;
// Beyond this factor single cells would weigh less than one 256th; larger
// reductions go in steps.
constexpr int maxFactor = 64;

void releaseScaled(unsigned char* pixels)
{
    delete[] pixels;
}

// Which source cells each output cell covers and by how much.
struct Coverage
{
    // Source cells per output cell, the same for all of them.
    int taps = 1;
    // The first source cell of each output cell.
    std::vector<int> first;
    // taps weights per output cell, summing to 256.
    std::vector<quint16> weight;
};

Coverage coverage(int source, int target)
{
    const double factor = double(source) / target;
    const auto share = [factor](int cell, int s) {
        const double from = std::max(cell * factor, double(s));
        const double to = std::min((cell + 1) * factor, double(s + 1));
        return std::max(0.0, to - from) / factor;
    };
    // Slivers below a 1024th are rounding noise of the cell borders.
    const auto firstCell = [&](int cell) {
        int s = int(std::floor(cell * factor));
        while (share(cell, s) < 1.0 / 1024)
            ++s;
        return s;
    };
    const auto lastCell = [&](int cell) {
        int s = std::min(source - 1, int(std::ceil((cell + 1) * factor)) - 1);
        while (share(cell, s) < 1.0 / 1024)
            --s;
        return s;
    };

    Coverage c;
    for (int cell = 0; cell < target; ++cell)
        c.taps = std::max(c.taps, lastCell(cell) - firstCell(cell) + 1);
    c.first.resize(size_t(target));
    c.weight.assign(size_t(target) * size_t(c.taps), 0);
    for (int cell = 0; cell < target; ++cell) {
        const int first = std::min(firstCell(cell), source - c.taps);
        c.first[size_t(cell)] = first;
        quint16* w = &c.weight[size_t(cell) * size_t(c.taps)];
        int total = 0;
        int heaviest = 0;
        for (int k = 0; k < c.taps; ++k) {
            w[k] = quint16(std::lround(share(cell, first + k) * whole));
            total += w[k];
            if (w[k] > w[heaviest])
                heaviest = k;
        }
        // Exactly 256 in all, so a flat colour comes out unchanged.
        w[heaviest] = quint16(w[heaviest] + whole - total);
    }
    return c;
}

// One output row from its source rows: sums in 256ths.
void sumRows(const unsigned char* firstRow, size_t rowBytes, const quint16* w, int taps,
             quint16* sums)
{
    std::fill(sums, sums + rowBytes, quint16(0));
    for (int k = 0; k < taps; ++k) {
        if (w[k] == 0)
            continue;
        const unsigned char* __restrict row = firstRow + size_t(k) * rowBytes;
        quint16* __restrict out = sums;
        const quint16 weight = w[k];
        for (size_t i = 0; i < rowBytes; ++i)
            out[i] = quint16(out[i] + weight * row[i]);
    }
}

// The row's sums across: each output pixel from its cells, rounded back to
// 8 bits. Taps is fixed for the usual reductions, so the loop unrolls.
template <int FixedTaps>
void sumAcross(const quint16* __restrict sums, const Coverage& c, int width,
               unsigned char* __restrict out)
{
    const int taps = FixedTaps ? FixedTaps : c.taps;
    const quint16* __restrict w = c.weight.data();
    const int* __restrict first = c.first.data();
    for (int x = 0; x < width; ++x, w += taps, out += channels) {
        const quint16* cell = sums + size_t(first[x]) * channels;
        quint32 r = whole * whole / 2, g = r, b = r;
        for (int k = 0; k < taps; ++k) {
            const quint32 weight = w[k];
            r += weight * cell[channels * k];
            g += weight * cell[channels * k + 1];
            b += weight * cell[channels * k + 2];
        }
        out[0] = (unsigned char)(r >> 16);
        out[1] = (unsigned char)(g >> 16);
        out[2] = (unsigned char)(b >> 16);
    }
}

void sumAcross(const quint16* sums, const Coverage& c, int width, unsigned char* out)
{
    switch (c.taps) {
    case 1:
        return sumAcross<1>(sums, c, width, out);
    case 2:
        return sumAcross<2>(sums, c, width, out);
    case 3:
        return sumAcross<3>(sums, c, width, out);
    default:
        return sumAcross<0>(sums, c, width, out);
    }
}

void scaleRows(const PixelBuffer& frame, const Coverage& across, const Coverage& down,
               unsigned char* pixels, int width, int fromRow, int toRow)
{
    const size_t sourceRowBytes = size_t(frame.width()) * channels;
    const size_t rowBytes = size_t(width) * channels;
    std::vector<quint16> sums(sourceRowBytes);
    for (int y = fromRow; y < toRow; ++y) {
        sumRows(frame.pixels() + size_t(down.first[size_t(y)]) * sourceRowBytes, sourceRowBytes,
                &down.weight[size_t(y) * size_t(down.taps)], down.taps, sums.data());
        sumAcross(sums.data(), across, width, pixels + size_t(y) * rowBytes);
    }
}

PixelBuffer scaleOnce(const PixelBuffer& frame, QSize size)
{
    const size_t rowBytes = size_t(size.width()) * channels;
    auto* pixels = new (std::nothrow) unsigned char[rowBytes * size_t(size.height())];
    if (!pixels)
        return {};
    PixelBuffer scaled(pixels, size.width(), size.height(), &releaseScaled);
    // A frame of a few megapixels takes a couple of milliseconds on one
    // core; bands on more threads showed no steady gain at 1080p or 4K.
    // The tables and the row of sums are the only other memory taken.
    try {
        const Coverage across = coverage(frame.width(), size.width());
        const Coverage down = coverage(frame.height(), size.height());
        scaleRows(frame, across, down, pixels, size.width(), 0, size.height());
    } catch (const std::bad_alloc&) {
        return {};
    }
    return scaled;
}

} // namespace

namespace framescaling {

PixelBuffer scaleDown(const PixelBuffer& frame, QSize size)
{
    if (!frame || size.isEmpty() || size.width() > frame.width() || size.height() > frame.height())
        return {};
    const QSize step(std::max(size.width(), frame.width() / maxFactor),
                     std::max(size.height(), frame.height() / maxFactor));
    if (step == size)
        return scaleOnce(frame, size);
    const PixelBuffer between = scaleOnce(frame, step);
    return between ? scaleDown(between, size) : PixelBuffer();
}

} // namespace framescaling
