#!/usr/bin/env python3
"""Writes bench/corpus.txt: everyday calculations as key sequences.

The corpus is checked in; this script only documents how it was made and
makes it again byte for byte (fixed seed, no dependence on the platform).
Each line is one calculation on a fresh calculator, its keys separated by
blanks in the names the host program reads (`tqcal --help`): numbers are
typed digit by digit, "pct" is the percent completion, "x^2" the square.

It is generated rather than typed like conformance/sequences.txt, which
holds edge cases chosen one by one: the benchmarks need hundreds of
calculations in the proportions of everyday use (prices, sums, percentages),
so that a per-key figure measures ordinary work and not the corner cases.

    python3 bench/make_corpus.py > bench/corpus.txt
"""
import random

rng = random.Random(20240612)


def price(lo=0.5, hi=60.0):
    cents = rng.randrange(int(lo * 100), int(hi * 100))
    if rng.random() < 0.35:
        cents = cents // 100 * 100 + rng.choice([99, 49, 95, 50, 0])
    whole, frac = divmod(cents, 100)
    if frac == 0 and rng.random() < 0.5:
        return str(whole)
    return f"{whole}.{frac:02d}"


def whole(lo, hi):
    return str(rng.randint(lo, hi))


def decimal(lo, hi, places):
    v = rng.uniform(lo, hi)
    text = f"{v:.{places}f}".rstrip("0").rstrip(".")
    return text if text not in ("", "0") else "1"


def shopping():
    items = [price() for _ in range(rng.randint(2, 6))]
    return " + ".join(items) + " ="


def change():
    return f"{rng.choice(['20', '50', '100', '200'])} - {price(1, 19)} ="


def change_after_sum():
    items = [price(1, 15) for _ in range(rng.randint(2, 4))]
    return f"{rng.choice(['50', '100'])} - " + " - ".join(items) + " ="


def quantity_times_price():
    return f"{whole(2, 12)} * {price(0.3, 20)} ="


def split_bill():
    return f"{price(20, 300)} / {whole(2, 8)} ="


def tip():
    return f"{price(15, 200)} * {rng.choice(['10', '12', '15', '18', '20'])} pct"


def add_on():
    return f"{price(10, 900)} + {rng.choice(['5', '7', '8', '16', '19', '20'])} pct"


def discount():
    return f"{price(10, 900)} - {rng.choice(['10', '15', '20', '25', '30', '40'])} pct"


def share():
    return f"{whole(5, 80)} / {whole(90, 400)} pct"


def percent_of():
    return f"{whole(100, 5000)} * {decimal(0.5, 9.9, 1)} % ="


def vat_on_sum():
    items = [price(2, 40) for _ in range(rng.randint(2, 3))]
    return " + ".join(items) + f" = * {rng.choice(['7', '19', '20', '21'])} pct"


def celsius():
    return f"( {whole(40, 104)} - 32 ) * 5 / 9 ="


def fahrenheit():
    return f"{decimal(1, 40, 1)} * 9 / 5 + 32 ="


def convert():
    factor = rng.choice(["2.54", "1.609", "0.3048", "0.4536", "3.785", "28.35", "0.62137"])
    op = rng.choice(["*", "/"])
    return f"{decimal(1, 250, rng.choice([0, 1, 2]))} {op} {factor} ="


def fuel():
    return f"{decimal(180, 900, 1)} / {decimal(20, 65, 2)} ="


def fuel_per_100():
    return f"{decimal(20, 65, 2)} / {decimal(180, 900, 1)} * 100 ="


def average():
    values = [decimal(1, 99, rng.choice([0, 1])) for _ in range(rng.randint(3, 5))]
    return "( " + " + ".join(values) + f" ) / {len(values)} ="


def area_rect():
    return f"{decimal(1, 30, 2)} * {decimal(1, 30, 2)} ="


def area_circle():
    return f"{decimal(0.5, 20, 1)} x^2 * pi ="


def circumference():
    return f"2 * pi * {decimal(0.5, 20, 2)} ="


def hypotenuse():
    return f"{whole(3, 40)} x^2 + {whole(3, 40)} x^2 = sqrt"


def square_root():
    return f"{decimal(2, 1000, rng.choice([0, 0, 1, 2]))} sqrt"


def power():
    return f"{decimal(1, 12, rng.choice([0, 1]))} ^ {whole(2, 5)} ="


def compound_interest():
    rate = rng.choice(["1.02", "1.025", "1.03", "1.035", "1.04", "1.05", "1.06"])
    return f"{whole(500, 20000)} * {rate} ^ {whole(2, 30)} ="


def monthly():
    return f"{whole(1200, 60000)} / {whole(6, 72)} ="


def hours():
    return f"{whole(1, 12)} * 60 + {whole(0, 59)} ="


def hourly_pay():
    return f"{decimal(7.5, 45, 2)} * {decimal(4, 45, 2)} ="


def memory_sum():
    parts = []
    for _ in range(rng.randint(2, 4)):
        parts.append(f"{whole(1, 9)} * {price(0.5, 25)} M+")
    return " ".join(parts) + " MRC"


def memory_store():
    return f"{price(10, 200)} MS {whole(2, 9)} * MRC ="


def memory_minus():
    return f"{price(50, 500)} M+ {price(1, 40)} M- {price(1, 40)} M- MRC"


def constant_multiply():
    factor = rng.choice(['1.19', '1.2', '0.8', '2.5', '12'])
    return f"{factor} * * {price(2, 90)} =" + " =" * rng.randint(1, 3)


def constant_add():
    return f"{whole(1, 50)} + + {whole(1, 500)} = = ="


def corrected_entry():
    a = whole(10, 9999)
    return f"{a} BS {whole(0, 9)} + {price(1, 50)} ="


def cleared_entry():
    return f"{price(1, 90)} + {price(1, 90)} CE {price(1, 90)} ="


def negative_start():
    return f"{price(1, 90)} +/- + {price(1, 90)} ="


def exponent_entry():
    mant = rng.choice(["6.022", "1.6", "3", "9.81", "2.998", "1.38", "6.674"])
    exp = whole(3, 23)
    sign = " +/-" if rng.random() < 0.4 else ""
    return f"{mant} EXP {exp}{sign} * {decimal(1, 500, 1)} ="


def trig():
    fn = rng.choice(["sin", "cos", "tan"])
    return f"{rng.choice(['15', '30', '37.5', '45', '60', '72', '120', '210'])} {fn}"


def slope():
    return f"{decimal(1, 80, 1)} * {rng.choice(['12', '17', '25', '35'])} tan ="


def inverse_trig():
    fn = rng.choice(["asin", "acos", "atan"])
    return f"{decimal(0.05, 0.95, 2)} {fn}"


def logarithm():
    fn = rng.choice(["log", "ln"])
    return f"{decimal(1, 100000, rng.choice([0, 1]))} {fn}"


def exponential():
    return f"{decimal(0.1, 6, 2)} e^x"


def ten_to_the():
    return f"{decimal(0.5, 6, 1)} 10^x"


def reciprocal():
    return f"{decimal(1.5, 400, rng.choice([0, 1, 2]))} 1/x"


def factorial():
    return f"{whole(3, 15)} !"


def root():
    return f"{whole(8, 5000)} root {whole(3, 5)} ="


def nested():
    return (f"( {price(1, 40)} + {price(1, 40)} ) * ( {whole(2, 9)} - {decimal(0.1, 1.9, 1)} ) =")


def chain_mixed():
    return f"{price(5, 99)} * {whole(2, 9)} - {price(1, 40)} / {whole(2, 5)} ="


def percent_key_mix():
    return f"{whole(50, 900)} + {whole(5, 30)} % ="


def ratio():
    return f"{whole(1, 40)} / {whole(41, 90)} * 100 ="


def subtraction_exact():
    return f"{whole(10, 500)} - {price(5, 9)} - {price(1, 4)} ="


def restart():
    return f"{price(1, 90)} + {price(1, 90)} = AC {price(1, 90)} * {whole(2, 9)} ="


RECIPES = [
    (shopping, 30), (change, 14), (change_after_sum, 10), (quantity_times_price, 18),
    (split_bill, 12), (tip, 12), (add_on, 10), (discount, 12), (share, 6),
    (percent_of, 8), (vat_on_sum, 8), (celsius, 6), (fahrenheit, 6), (convert, 16),
    (fuel, 8), (fuel_per_100, 6), (average, 12), (area_rect, 10), (area_circle, 8),
    (circumference, 5), (hypotenuse, 6), (square_root, 10), (power, 6),
    (compound_interest, 8), (monthly, 8), (hours, 6), (hourly_pay, 8),
    (memory_sum, 12), (memory_store, 6), (memory_minus, 6), (constant_multiply, 8),
    (constant_add, 5), (corrected_entry, 8), (cleared_entry, 8), (negative_start, 6),
    (exponent_entry, 6), (trig, 8), (slope, 4), (inverse_trig, 5), (logarithm, 6),
    (exponential, 3), (ten_to_the, 3), (reciprocal, 5), (factorial, 4), (root, 4),
    (nested, 10), (chain_mixed, 12), (percent_key_mix, 4), (ratio, 6),
    (subtraction_exact, 8), (restart, 6),
]


def main():
    lines = []
    for recipe, count in RECIPES:
        lines += [recipe() for _ in range(count)]
    rng.shuffle(lines)
    print("\n".join(lines))


if __name__ == "__main__":
    import sys
    if sys.argv[1:] in (["--help"], ["-h"]):
        print(__doc__)
        sys.exit(0)
    main()
