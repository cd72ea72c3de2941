// Writes engine/math/tables.h: the constants and tables of the
// engine's own elementary functions, each value rounded from a 400-bit MPFR
// evaluation. Run through tools/math/gen_tables.sh; the output is checked
// in, so building the engine never needs MPFR.
//
// Everything is printed as a hexadecimal literal, so that the compiler reads
// back exactly the double computed here.
#include "../usage.h"

#include <mpfr.h>

#include <cstdint>
#include <cstdio>

namespace {

constexpr mpfr_prec_t PRECISION = 400;

struct Big {
    mpfr_t v;
    Big() {
        mpfr_init2(v, PRECISION);
        mpfr_set_ui(v, 0, MPFR_RNDN);
    }
    ~Big() { mpfr_clear(v); }
    Big(const Big &) = delete;
    Big &operator=(const Big &) = delete;
};

double Nearest(const mpfr_t x) { return mpfr_get_d(x, MPFR_RNDN); }

// x rounded to the nearest multiple of 2^-bits.
double OnGrid(const mpfr_t x, int bits) {
    Big t;
    mpfr_mul_2si(t.v, x, bits, MPFR_RNDN);
    mpfr_rint(t.v, t.v, MPFR_RNDN);
    mpfr_div_2si(t.v, t.v, bits, MPFR_RNDN);
    return mpfr_get_d(t.v, MPFR_RNDN);  // exact: few significant bits
}

// x rounded to the nearest number of `bits` significant bits.
double ToBits(const mpfr_t x, int bits) {
    mpfr_t t;
    mpfr_init2(t, bits);
    mpfr_set(t, x, MPFR_RNDN);
    const double d = mpfr_get_d(t, MPFR_RNDN);
    mpfr_clear(t);
    return d;
}

// hi = x to the nearest double, lo = the rest to the nearest double.
void HiLo(const mpfr_t x, double *hi, double *lo) {
    *hi = Nearest(x);
    Big r;
    mpfr_sub_d(r.v, x, *hi, MPFR_RNDN);
    *lo = Nearest(r.v);
}

void Constant(const char *name, double v, const char *comment) {
    std::printf("constexpr double %s = %a;  // %s\n", name, v, comment);
}

void Pi(mpfr_t out) { mpfr_const_pi(out, MPFR_RNDN); }

// Writes NAME[rows][2], row j the {head, tail} of f(j / 2^shift).
void HeadTailTable(const char *name, int rows, unsigned shift,
                   int (*f)(mpfr_ptr, mpfr_srcptr, mpfr_rnd_t)) {
    Big t;
    double hi, lo;
    std::printf("constexpr double %s[%d][2] = {\n", name, rows);
    for (int j = 0; j < rows; ++j) {
        mpfr_set_si(t.v, j, MPFR_RNDN);
        mpfr_div_2ui(t.v, t.v, shift, MPFR_RNDN);
        f(t.v, t.v, MPFR_RNDN);
        HiLo(t.v, &hi, &lo);
        std::printf("    {%a, %a},\n", hi, lo);
    }
    std::printf("};\n");
}

// The same split into 26 + 26 bits as the engine's run-time one, so that a
// table entry can carry its halves for exact products.
void Split(double a, double *hi, double *lo) {
    volatile double c = 134217729.0 * a;
    volatile double h = c - (c - a);
    *hi = h;
    *lo = a - h;
}

// pi/2 in parts for the reduction of moderate arguments: three parts
// of 33 bits, so that k times each is exact for k below 2^20, and a
// fourth of full precision.
void PiConstants() {
    Big pi, pio2, t;
    Pi(pi.v);
    mpfr_div_2ui(pio2.v, pi.v, 1, MPFR_RNDN);
    double hi, lo;
    std::printf("// pi/2 = PIO2_1 + PIO2_2 + PIO2_3 + PIO2_4 to about 150 bits.\n");
    mpfr_set(t.v, pio2.v, MPFR_RNDN);
    const char *names[] = {"PIO2_1", "PIO2_2", "PIO2_3"};
    for (const char *n : names) {
        const double p = ToBits(t.v, 33);
        Constant(n, p, "33 significant bits");
        mpfr_sub_d(t.v, t.v, p, MPFR_RNDN);
    }
    Constant("PIO2_4", Nearest(t.v), "the rest");
    mpfr_ui_div(t.v, 2, pi.v, MPFR_RNDN);
    Constant("INV_PIO2", Nearest(t.v), "2/pi");
    HiLo(pio2.v, &hi, &lo);
    Constant("PIO2_HI", hi, "pi/2, nearest");
    Constant("PIO2_LO", lo, "pi/2 - PIO2_HI");
    HiLo(pi.v, &hi, &lo);
    Constant("PI_HI", hi, "pi, nearest");
    Constant("PI_LO", lo, "pi - PI_HI");
}

// ln 2 and 1/ln 10.
void LogConstants() {
    Big ln2, t;
    double hi, lo;
    mpfr_const_log2(ln2.v, MPFR_RNDN);
    std::printf("\n// ln 2 with a head on the 2^-41 grid: e * LN2_HI is exact for |e| < 2^11.\n");
    const double ln2hi = OnGrid(ln2.v, 41);
    Constant("LN2_HI", ln2hi, "ln 2 on the 2^-41 grid");
    mpfr_sub_d(t.v, ln2.v, ln2hi, MPFR_RNDN);
    Constant("LN2_LO", Nearest(t.v), "ln 2 - LN2_HI");
    mpfr_set_ui(t.v, 10, MPFR_RNDN);
    mpfr_log(t.v, t.v, MPFR_RNDN);
    mpfr_ui_div(t.v, 1, t.v, MPFR_RNDN);
    HiLo(t.v, &hi, &lo);
    Constant("INV_LN10_HI", hi, "1/ln 10, nearest");
    Constant("INV_LN10_LO", lo, "1/ln 10 - INV_LN10_HI");
}

// exp: x = n ln2/128 + r; ln2/128 split so that n * EXP_L1 is exact
// for |n| < 2^18.
void ExpTables() {
    Big ln2, t, u;
    mpfr_const_log2(ln2.v, MPFR_RNDN);
    std::printf("\n// exp reduction: x = n * ln2/128 + r, ln2/128 = EXP_L1 + EXP_L2.\n");
    mpfr_set_ui(t.v, 128, MPFR_RNDN);
    mpfr_div(t.v, t.v, ln2.v, MPFR_RNDN);
    Constant("EXP_INV_L", Nearest(t.v), "128/ln 2");
    mpfr_div_2ui(u.v, ln2.v, 7, MPFR_RNDN);
    const double l1 = ToBits(u.v, 35);
    Constant("EXP_L1", l1, "ln2/128 to 35 bits");
    mpfr_sub_d(u.v, u.v, l1, MPFR_RNDN);
    Constant("EXP_L2", Nearest(u.v), "ln2/128 - EXP_L1");

    std::printf("\n// 2^(j/128), j = 0..127: {head, tail}.\n");
    HeadTailTable("EXP_TABLE", 128, 7, mpfr_exp2);
}

// log: z in [LOG_OFF, 2 LOG_OFF) cut into 256 pieces of equal width
// in the bit pattern; 1.0 lies in the middle of piece LOG_ONE. For each
// piece c ~ 1/centre with 26 significant bits (so that z * c - 1 can be
// formed exactly from the halves of z), and -ln c with a head on the
// 2^-41 grid (so that e * LN2_HI + head is exact).
void LogTables() {
    Big t;
    const uint64_t one = 0x3ff0000000000000ULL;
    const uint64_t off = one - 148ULL * (1ULL << 44) - (1ULL << 43);
    std::printf("\n// log: pieces of the reduced argument z in [LOG_OFF, 2 LOG_OFF).\n");
    std::printf("constexpr uint64_t LOG_OFF = 0x%016llxULL;\n",
                static_cast<unsigned long long>(off));
    std::printf("constexpr int LOG_ONE = 148;  // the piece whose centre is 1.0\n");
    // Two tables: LOG_TABLE with c of 26 bits (|r| <= 2^-9, for pow), and
    // LOG_TABLE_SHORT with c on the 2^-9 grid, where z c - 1 is a single exact
    // double (|r| < 1.7 2^-9, for log and log10).
    for (int table = 0; table < 2; ++table) {
        const bool shortc = table == 1;
        std::printf("// {c, head of -ln c, tail of -ln c} per piece%s.\n",
                    shortc ? ", c on the 2^-9 grid" : ", c of 26 bits");
        std::printf("constexpr double %s[256][3] = {\n", shortc ? "LOG_TABLE_SHORT" : "LOG_TABLE");
        for (int i = 0; i < 256; ++i) {
            const uint64_t a = off + static_cast<uint64_t>(i) * (1ULL << 44);
            const uint64_t b = a + (1ULL << 44);
            double za, zb;
            std::memcpy(&za, &a, 8);
            std::memcpy(&zb, &b, 8);
            double c;
            if (i == 148) {
                c = 1.0;
            } else {
                mpfr_set_d(t.v, za, MPFR_RNDN);
                mpfr_add_d(t.v, t.v, zb, MPFR_RNDN);
                mpfr_ui_div(t.v, 2, t.v, MPFR_RNDN);  // 1 / ((za + zb) / 2)
                c = shortc ? OnGrid(t.v, 9) : ToBits(t.v, 26);
            }
            mpfr_set_d(t.v, c, MPFR_RNDN);
            mpfr_log(t.v, t.v, MPFR_RNDN);
            mpfr_neg(t.v, t.v, MPFR_RNDN);
            if (mpfr_zero_p(t.v)) mpfr_set_zero(t.v, 1);  // -ln 1 is +0
            const double h = OnGrid(t.v, 41);
            mpfr_sub_d(t.v, t.v, h, MPFR_RNDN);
            std::printf("    {%a, %a, %a},\n", c, h, Nearest(t.v));
        }
        std::printf("};\n");
    }
}

// sin and cos of j/64, j = 0..51 (the reduced argument is at most
// about pi/4 = 50.3/64).
void SinCosTable() {
    Big t, u;
    std::printf("\n// Of a = j/64, j = 0..51: {sin a head, tail, cos a head, tail}.\n");
    std::printf("constexpr double SINCOS_TABLE[52][4] = {\n");
    for (int j = 0; j < 52; ++j) {
        double sh, sl, ch, cl;
        mpfr_set_si(u.v, j, MPFR_RNDN);
        mpfr_div_2ui(u.v, u.v, 6, MPFR_RNDN);
        mpfr_sin(t.v, u.v, MPFR_RNDN);
        HiLo(t.v, &sh, &sl);
        mpfr_cos(t.v, u.v, MPFR_RNDN);
        HiLo(t.v, &ch, &cl);
        std::printf("    {%a, %a, %a, %a},\n", sh, sl, ch, cl);
    }
    std::printf("};\n");
}

// tan about j/64, j = 1..51: tan(c + d) = A + B1 d + ... + B10 d^10
// from the Taylor series; with tan' = 1 + tan^2 the coefficients follow
//   (k + 1) a_(k+1) = [k = 0] + sum_(i=0..k) a_i a_(k-i).
void TanTable() {
    Big u;
    std::printf(
        "\n// tan about j/64, j = 0..51 (row 0 unused): {A head, A tail, B1 head,\n"
        "// B1 tail, B1 head split in two halves, B2, ..., B10}.\n");
    std::printf("constexpr double TAN_TABLE[52][15] = {\n");
    for (int j = 0; j < 52; ++j) {
        if (j == 0) {
            std::printf("    {},\n");
            continue;
        }
        Big a[11], sum, prod;
        mpfr_set_si(u.v, j, MPFR_RNDN);
        mpfr_div_2ui(u.v, u.v, 6, MPFR_RNDN);
        mpfr_tan(a[0].v, u.v, MPFR_RNDN);
        for (int k = 0; k < 10; ++k) {
            mpfr_set_ui(sum.v, k == 0 ? 1 : 0, MPFR_RNDN);
            for (int i = 0; i <= k; ++i) {
                mpfr_mul(prod.v, a[i].v, a[k - i].v, MPFR_RNDN);
                mpfr_add(sum.v, sum.v, prod.v, MPFR_RNDN);
            }
            mpfr_div_ui(a[k + 1].v, sum.v, static_cast<unsigned long>(k + 1), MPFR_RNDN);
        }
        double ah, al, bh, bl, b1, b2;
        HiLo(a[0].v, &ah, &al);
        HiLo(a[1].v, &bh, &bl);
        Split(bh, &b1, &b2);
        std::printf("    {%a, %a, %a, %a, %a, %a", ah, al, bh, bl, b1, b2);
        for (int k = 2; k <= 10; ++k)
            std::printf(",%s%a", k == 5 ? "\n     " : " ", Nearest(a[k].v));
        std::printf("},\n");
    }
    std::printf("};\n");
}

// atan of j/64, j = 0..64.
void AtanTable() {
    std::printf("\n// {head, tail} of atan(j/64), j = 0..64.\n");
    HeadTailTable("ATAN_TABLE", 65, 6, mpfr_atan);
}

// asin on pieces of width 1/128 centred on c = j/128, j = 0..76:
// asin(c + d) = A + d + d (M1 + d (B2 + ... + d B9)), M1 = B1 - 1, from
// the Taylor series (row 0 is the odd series about 0). With
// g(t) = (1 - (c + t)^2)^(-1/2) = sum g_k t^k, asin' = g and
// (1 - x^2) g' = x g give
//   g_(k+1) = ((2k + 1) c g_k + k g_(k-1)) / ((1 - c^2) (k + 1)),
// and B_(k+1) = g_k / (k + 1).
void AsinTable() {
    double hi, lo;
    std::printf("\n// asin about j/128, j = 0..76: {A head, A tail, B1 - 1, B2, ..., B9}.\n");
    std::printf("constexpr double ASIN_TABLE[77][11] = {\n");
    for (int j = 0; j <= 76; ++j) {
        Big c, a, g0, g1, g2, b;
        mpfr_set_d(c.v, j / 128.0, MPFR_RNDN);
        mpfr_asin(a.v, c.v, MPFR_RNDN);
        HiLo(a.v, &hi, &lo);
        std::printf("    {%a, %a,\n     ", hi, lo);
        mpfr_sqr(a.v, c.v, MPFR_RNDN);
        mpfr_ui_sub(a.v, 1, a.v, MPFR_RNDN);  // 1 - c^2
        mpfr_rec_sqrt(g1.v, a.v, MPFR_RNDN);  // g_0
        mpfr_set_ui(g0.v, 0, MPFR_RNDN);      // g_(-1)
        for (int kk = 0; kk < 9; ++kk) {
            // B_(k+1) = g_k / (k + 1); the first one less 1.
            mpfr_div_ui(b.v, g1.v, static_cast<unsigned long>(kk + 1), MPFR_RNDN);
            if (kk == 0) mpfr_sub_ui(b.v, b.v, 1, MPFR_RNDN);
            if (mpfr_zero_p(b.v)) mpfr_set_zero(b.v, 1);
            std::printf("%s%a", kk == 0 ? "" : ", ", Nearest(b.v));
            // g_(k+1)
            mpfr_mul(g2.v, c.v, g1.v, MPFR_RNDN);
            mpfr_mul_ui(g2.v, g2.v, static_cast<unsigned long>(2 * kk + 1), MPFR_RNDN);
            mpfr_mul_ui(b.v, g0.v, static_cast<unsigned long>(kk), MPFR_RNDN);
            mpfr_add(g2.v, g2.v, b.v, MPFR_RNDN);
            mpfr_div(g2.v, g2.v, a.v, MPFR_RNDN);
            mpfr_div_ui(g2.v, g2.v, static_cast<unsigned long>(kk + 1), MPFR_RNDN);
            mpfr_set(g0.v, g1.v, MPFR_RNDN);
            mpfr_set(g1.v, g2.v, MPFR_RNDN);
        }
        std::printf("},\n");
    }
    std::printf("};\n");
}

// The bits of 2/pi for the reduction of huge arguments: 64 zero bits
// (room for windows that start before the binary point), then the first
// 1216 bits after the point, in 32-bit words, most significant first.
void TwoOverPiBits() {
    std::printf(
        "\n// Bits of 2/pi after 64 leading zero bits, 32 to a word, most significant first.\n");
    std::printf("constexpr uint32_t TWO_OVER_PI_BITS[40] = {\n");
    mpfr_t w;
    mpfr_init2(w, 1600);
    mpfr_const_pi(w, MPFR_RNDN);
    mpfr_ui_div(w, 2, w, MPFR_RNDN);
    mpfr_mul_2ui(w, w, 1216, MPFR_RNDN);
    mpz_t n, limb;
    mpz_init(n);
    mpz_init(limb);
    mpfr_get_z(n, w, MPFR_RNDZ);
    for (int m = 0; m < 40; ++m) {
        const long shift = 1248 - 32L * m;
        if (shift >= 0) {
            mpz_fdiv_q_2exp(limb, n, static_cast<unsigned long>(shift));
        } else {
            mpz_mul_2exp(limb, n, static_cast<unsigned long>(-shift));
        }
        const unsigned long v = mpz_fdiv_ui(limb, 4294967296UL);
        std::printf("%s0x%08lx,%s", m % 6 == 0 ? "    " : " ", v, m % 6 == 5 ? "\n" : "");
    }
    std::printf("\n};\n");
    mpz_clear(n);
    mpz_clear(limb);
    mpfr_clear(w);
}

const char USAGE[] =
    "usage: gen_tables > engine/math/tables.h\nWrites the tables of the engine's elementary"
    " functions from MPFR (tools/math/gen_tables.sh).\n";

}  // namespace

int main(int argc, char **argv) {
    if (const int status = tqcal_tools::AnswerUsage(argc, argv, USAGE); status >= 0) return status;
    std::printf(
        "// Generated by tools/math/gen_tables.sh from 400-bit MPFR values; do not\n"
        "// edit. Constants and tables of the engine's elementary functions.\n"
        "//\n"
        "// Each is constexpr without inline, so local to the file that reads it\n"
        "// (one file per table): an inline variable is a COMDAT section, for which\n"
        "// the Windows linker, after link-time optimization, finds no symbol.\n"
        "#pragma once\n\n#include <cstdint>\n\nnamespace tqcal::math::tables {\n\n");

    PiConstants();
    LogConstants();
    ExpTables();
    LogTables();
    SinCosTable();
    TanTable();
    AtanTable();
    AsinTable();
    TwoOverPiBits();
    std::printf("\n}  // namespace tqcal::math::tables\n");
    return 0;
}
