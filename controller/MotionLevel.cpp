#include "controller/MotionLevel.h"

#include <algorithm>
#include <array>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define OCV_MOTION_SSSE3 1
#endif

namespace ocv {
namespace {

// With S = 30 R + 59 G + 11 B the exact brightness is S / 100. Plain double arithmetic gives the
// same whole part except for some colours where S is a multiple of 100: the rounded products and
// sums then land just below S / 100 and the truncation gives one less. For a given red and green
// at most three blues (one per hundred) make S a multiple of 100, so a table indexed by red and
// green holds one bit per hundred of blue: set when the double result is one less.
struct Corrections {
    std::array<uint8_t, 65536> bits{};
    Corrections() {
        // volatile keeps each step a separate IEEE double operation, the way the measure is
        // defined (this file is also built without fused multiply-add).
        volatile double kr = 0.3, kg = 0.59, kb = 0.11;
        for (int r = 0; r < 256; ++r)
            for (int g = 0; g < 256; ++g) {
                // 11 x 91 = 1001, so 11 b = -(30 r + 59 g) (mod 100) gives b (mod 100).
                const int first = (91 * (100 - (30 * r + 59 * g) % 100)) % 100;
                for (int b = first; b < 256; b += 100) {
                    const int s = 30 * r + 59 * g + 11 * b;
                    double d = kr * r;
                    d = d + kg * g;
                    d = d + kb * b;
                    if ((static_cast<int>(d) & 0xFF) != s / 100)
                        bits[(r << 8) | g] |= static_cast<uint8_t>(1u << (b / 100));
                }
            }
    }
};

const Corrections& Table() {
    static const Corrections table;
    return table;
}

inline unsigned ScalarBrightness(const uint8_t* table, unsigned r, unsigned g, unsigned b) {
    const unsigned s = 30 * r + 59 * g + 11 * b;
    const unsigned q = s / 100;
    const unsigned corr = (s == q * 100) & (table[(r << 8) | g] >> (b / 100));
    return q - corr;
}

// Pixels [from, to) of one row pair, scalar.
inline uint32_t CountScalar(const uint8_t* table, const uint8_t* pa, const uint8_t* pb, int from,
                            int to, unsigned reception) {
    uint32_t count = 0;
    for (int x = from; x < to; ++x) {
        const uint8_t* p = pa + 3 * x;
        const uint8_t* q = pb + 3 * x;
        const int la = static_cast<int>(ScalarBrightness(table, p[2], p[1], p[0]));
        const int lb = static_cast<int>(ScalarBrightness(table, q[2], q[1], q[0]));
        const unsigned diff = static_cast<unsigned>(la > lb ? la - lb : lb - la);
        count += diff > reception;
    }
    return count;
}

#ifdef OCV_MOTION_SSSE3
// The brightness of the 8 pixels (24 bytes) at p, one per 16-bit lane.
__attribute__((target("ssse3"))) inline __m128i Brightness8(const uint8_t* table,
                                                            const uint8_t* p) {
    const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8));
    // Blue and green pairs of pixels 0-2 from the low load, 3-7 from the high one (offset 8).
    const __m128i bgLo = _mm_setr_epi8(0, 1, 3, 4, 6, 7, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i bgHi = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, 1, 2, 4, 5, 7, 8, 10, 11, 13, 14);
    // Red of pixels 0-3 from the low load, 4-7 from the high one, widened to 16 bits.
    const __m128i rLo = _mm_setr_epi8(2, -1, 5, -1, 8, -1, 11, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i rHi = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, 6, -1, 9, -1, 12, -1, 15, -1);
    const __m128i bg = _mm_or_si128(_mm_shuffle_epi8(lo, bgLo), _mm_shuffle_epi8(hi, bgHi));
    const __m128i red = _mm_or_si128(_mm_shuffle_epi8(lo, rLo), _mm_shuffle_epi8(hi, rHi));
    const __m128i s = _mm_add_epi16(_mm_maddubs_epi16(bg, _mm_set1_epi16(0x3B0B)),  // 11 B + 59 G
                                    _mm_mullo_epi16(red, _mm_set1_epi16(30)));
    // s / 100 for s <= 25500: (s * 5243) >> 19.
    __m128i q = _mm_srli_epi16(_mm_mulhi_epu16(s, _mm_set1_epi16(5243)), 3);
    const __m128i exact = _mm_cmpeq_epi16(_mm_sub_epi16(s, _mm_mullo_epi16(q, _mm_set1_epi16(100))),
                                          _mm_setzero_si128());
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(exact));
    if (mask) {
        // Rare: some lanes are whole hundreds; take their correction bits from the table.
        alignas(16) uint16_t lanes[8];
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes), q);
        do {
            const int i = __builtin_ctz(mask) / 2;  // two mask bits per 16-bit lane
            mask &= ~(3u << (2 * i));
            const uint8_t* px = p + 3 * i;
            lanes[i] -= (table[(px[2] << 8) | px[1]] >> (px[0] / 100)) & 1;
        } while (mask);
        q = _mm_load_si128(reinterpret_cast<const __m128i*>(lanes));
    }
    return q;
}

__attribute__((target("ssse3"))) uint32_t CountRowSsse3(const uint8_t* table, const uint8_t* pa,
                                                        const uint8_t* pb, int x0, int x1,
                                                        unsigned reception) {
    const __m128i limit = _mm_set1_epi16(static_cast<short>(reception));
    __m128i acc = _mm_setzero_si128();
    uint32_t count = 0;
    int x = x0;
    int groups = 0;
    for (; x + 8 <= x1 + 1; x += 8) {
        const __m128i la = Brightness8(table, pa + 3 * x);
        const __m128i lb = Brightness8(table, pb + 3 * x);
        const __m128i diff = _mm_or_si128(_mm_subs_epu16(la, lb), _mm_subs_epu16(lb, la));
        acc = _mm_sub_epi16(acc, _mm_cmpgt_epi16(diff, limit));
        if (++groups == 16384) {
            const __m128i sums = _mm_madd_epi16(acc, _mm_set1_epi16(1));
            alignas(16) int32_t part[4];
            _mm_store_si128(reinterpret_cast<__m128i*>(part), sums);
            count += part[0] + part[1] + part[2] + part[3];
            acc = _mm_setzero_si128();
            groups = 0;
        }
    }
    const __m128i sums = _mm_madd_epi16(acc, _mm_set1_epi16(1));
    alignas(16) int32_t part[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(part), sums);
    count += part[0] + part[1] + part[2] + part[3];
    return count + CountScalar(table, pa, pb, x, x1 + 1, reception);
}

bool HasSsse3() {
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}
#endif

}  // namespace

uint8_t Brightness(uint8_t r, uint8_t g, uint8_t b) {
    return static_cast<uint8_t>(ScalarBrightness(Table().bits.data(), r, g, b));
}

float MotionLevel(const BITMAPINFOHEADER& format, const uint8_t* a, const uint8_t* b,
                  const MotionCapSetting& settings) {
    if (!a || !b) return 0.0f;
    if (format.biBitCount != 24 || format.biWidth <= 0 || format.biHeight == 0) return 0.0f;
    const int64_t w = format.biWidth;
    const int64_t h =
        format.biHeight < 0 ? -static_cast<int64_t>(format.biHeight) : format.biHeight;
    const uint64_t stride = DibStride(format.biWidth, 24);
    if (format.biSizeImage != 0 && format.biSizeImage < stride * h) return 0.0f;

    int64_t x0 = 0, y0 = 0, x1 = w - 1, y1 = h - 1;
    if (settings.enableRange) {
        x0 = settings.rangeLeft > 0 ? settings.rangeLeft : 0;
        y0 = settings.rangeTop > 0 ? settings.rangeTop : 0;
        x1 = std::min<int64_t>(settings.rangeRight, w - 1);
        y1 = std::min<int64_t>(settings.rangeBottom, h - 1);
    }
    // The divisor is a 32-bit product of the two spans.
    const uint32_t area =
        static_cast<uint32_t>(static_cast<uint64_t>(x1 - x0) * static_cast<uint64_t>(y1 - y0));
    if (area == 0) return 0.0f;

    // A difference is at most 255, so a reception of 255 or more (or a negative one, compared as
    // unsigned) counts nothing.
    const uint32_t reception = static_cast<uint32_t>(settings.motionCaptureReception);
    uint32_t count = 0;
    if (reception < 255 && x0 <= x1 && y0 <= y1) {
        const uint8_t* table = Table().bits.data();
        for (int64_t y = y0; y <= y1; ++y) {
            // Bottom-up rows: picture row y is stored row h - 1 - y.
            const int64_t stored = format.biHeight > 0 ? h - 1 - y : y;
            const uint8_t* ra = a + stored * stride;
            const uint8_t* rb = b + stored * stride;
#ifdef OCV_MOTION_SSSE3
            if (HasSsse3()) {
                count += CountRowSsse3(table, ra, rb, static_cast<int>(x0), static_cast<int>(x1),
                                       reception);
                continue;
            }
#endif
            count += CountScalar(table, ra, rb, static_cast<int>(x0), static_cast<int>(x1) + 1,
                                 reception);
        }
    }
    return static_cast<float>(static_cast<double>(count) / static_cast<double>(area) * 100.0);
}

}  // namespace ocv
