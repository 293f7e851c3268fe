#!/usr/bin/env python3
"""Reference texts of floating values, computed with exact decimal arithmetic.

Each line: the double in hex notation, then its text with 0, 2 and 4 decimals
(fixed) and in general form with 15 significant digits, separated by '|'.
Rules: the exact binary value is cut to 18 significant digits (nearest,
ties to even), then rounded half away from zero at the wanted place; the
decimal separator is ','; a value that rounds to zero has no sign; the
general form is scientific ("1,5E-10") when the exponent is above 15 or
below -4.
"""
import random
from decimal import Decimal, ROUND_HALF_EVEN, ROUND_HALF_UP, getcontext

getcontext().prec = 6000


def cut18(x):
    d = Decimal(x)
    if d == 0:
        return Decimal(0)
    e = d.adjusted() + 1
    q = d.scaleb(18 - e).quantize(Decimal(1), rounding=ROUND_HALF_EVEN)
    return q.scaleb(e - 18)


def fixed(x, decimals):
    v = cut18(x).quantize(Decimal(1).scaleb(-decimals), rounding=ROUND_HALF_UP)
    text = format(abs(v), 'f').replace('.', ',')
    return ('-' if v < 0 else '') + text


def general(x):
    v = cut18(x)
    if v == 0:
        return '0'
    e = v.adjusted() + 1
    q = int(abs(v).scaleb(15 - e).quantize(Decimal(1), rounding=ROUND_HALF_UP))
    digits = str(q)
    if len(digits) > 15:
        e += 1
    digits = digits.rstrip('0')
    sign = '-' if v < 0 else ''
    if e > 15 or e < -3:
        mantissa = digits[0] + (',' + digits[1:] if len(digits) > 1 else '')
        return sign + mantissa + 'E' + str(e - 1)
    if e <= 0:
        return sign + '0,' + '0' * (-e) + digits
    whole = digits[:e].ljust(e, '0')
    frac = digits[e:]
    return sign + whole + (',' + frac if frac else '')


def values():
    rnd = random.Random(20240531)
    out = [0.5, 1.5, 2.5, 0.125, 2.675, 1.005, 1e-5, 1e-4, 1e15, 1e16, 123456789012345678.0]
    for _ in range(800):  # money-like values: many sit next to a half
        out.append(round(rnd.uniform(-100000, 100000), rnd.choice([1, 2, 3, 5])))
    for _ in range(800):
        out.append(rnd.uniform(-1, 1) * 10 ** rnd.randint(-8, 16))
    for _ in range(200):
        out.append(rnd.randint(-10 ** 6, 10 ** 6) / 8)
    for _ in range(200):
        out.append(rnd.uniform(-1, 1) * 10 ** rnd.randint(17, 300))
    for _ in range(200):
        out.append(rnd.uniform(-1, 1) * 10 ** rnd.randint(-300, -9))
    return out


for x in values():
    if abs(x) < 1e17:
        cols = [fixed(x, 0), fixed(x, 2), fixed(x, 4)]
    else:
        cols = ['-', '-', '-']
    print('|'.join([x.hex()] + cols + [general(x)]))
