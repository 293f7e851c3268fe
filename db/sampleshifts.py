"""Rows of the close-of-shift sample: shifts 100 to 103 of the station database
and the open shift's rows for a host's fill procedure.

Small scale (the default): shifts 101, 102 and 103 are closed (SMLOG rows
eight hours apart, three operators each); shift 100 has SMTRK and SMSILO rows
but no SMLOG row. Four tanks (0 "АИ-92" 20 000 l, 1 "АИ-95" blocked at the
end, 2 diesel blocked at the beginning only, 3 a second "аи-92" of capacity 0
that no nozzle draws from), three dispensers with two nozzles each, the
payment types 0..5, 105 and 40 per tank. Dispenser 1 nozzle 1 of shift 101
is the worked nozzle of the tests. Receipts only in shift 102; the office
corrections (REV columns) in shift 102, a correction expense of tank 1 in
shift 103; shift 103 has one dispenser row
whose tank has no SMSILO row.

Large scale (bench): --shifts N from shift 1001 on, --nozzles, --tanks and
--vo rows per tank, with the same columns.
"""

import datetime as dt

OPTIONAL = {
    "SMTRK": {"TRK2BEG", "TRK2END", "TRKSMENACOR", "PERELIV"},
    "SMSILO": {"BLOCKED", "BEGBLOCKED", "BEGPRESSURE", "PRESSURE", "BEGWASSER", "WAITPRXL",
               "WAITPRXKG", "WAITRSXL", "WAITRSXKG", "SILOBEGCALCREV", "SILOBEGCALCREVKG",
               "SILOENDCALCREV", "SILOENDCALCREVL", "SILOENDCALCREVKG", "SILOPRXREV",
               "SILORSXREV", "SILORSXREVR"},
    "SILOVO": {"REVLITRE", "REVKG", "REVSUMMA"},
}

START = dt.datetime(2024, 4, 1, 8, 0, 0)
OPERATORS = [("Волков Дмитрий Андреевич", "Петрова Анна Сергеевна", "Соколов Илья Петрович"),
             ("Кузнецова Мария Ивановна", "Орлов Сергей Викторович", "Белова Ольга Павловна"),
             ("Морозов Антон Юрьевич", "Зайцева Елена Олеговна", "Лебедев Павел Ильич")]
# stored number, name (15 characters for tank 0), fuel (20 characters for
# tank 2), capacity, densities (begin, current, end)
TANKS = [
    (0, "Резервуар №1-92", "АИ-92", 20000.0, (0.7496, 0.7505, 0.7505)),
    (1, "Резервуар 2", "АИ-95", 25000.0, (0.7550, 0.7550, 0.7550)),
    (2, "Резервуар 3", "Дизельное топливо ДТ", 30000.0, (0.8405, 0.8405, 0.8405)),
    (3, "Резервуар 4", "аи-92", 0.0, (0.7496, 0.7505, 0.7505)),
]
# temperatures per shift (101, 102, 103) and tank
TEMPERS = {101: (-12.5, 0.0, 15.0, 15.0), 102: (0.0, 15.0, 15.0, 25.0),
           103: (25.0, 15.0, 30.0, 30.0), 100: (15.0, 15.0, 15.0, 15.0)}
# payment type, check type
VIDOPL = [(0, 0), (1, 1), (2, 2), (3, 3), (4, 4), (5, 6), (105, 0), (40, 0)]
# dispenser, nozzle -> stored tank number
NOZZLES = [(1, 1, 0), (1, 2, 1), (2, 1, 2), (2, 2, 0), (3, 1, 1), (3, 2, 2)]


def price(fuel, shift):
    if fuel.upper() == "АИ-92":
        return 50.0 if shift <= 101 else 51.5
    return {"АИ-95": 55.2, "Дизельное топливо ДТ": 58.9}.get(fuel, 50.0)


def shift_log(shift, open_end=False):
    begin = START + dt.timedelta(hours=8 * (shift - 101))
    ops = OPERATORS[shift % 3]
    return {"SMNUM": shift, "BEGTIME": begin, "ENDTIME": None if open_end else
            begin + dt.timedelta(hours=8), "OPERATOR": ops[0], "OPERATOR2": ops[1],
            "OPERATOR3": ops[2], "TOVARKKM": 0, "INKKM": 0.0, "OUTKKM": 0.0, "INKKM2": 0.0,
            "OUTKKM2": 0.0, "SUMMATOVARY": 0.0}


def silo_row(shift, tank, stock):
    num, name, fuel, capacity, (d_beg, d, d_end) = tank
    if num == 0 and shift == 103:
        d_beg = 0.7500  # the last shift's begin density differs from the first's
    temper = TEMPERS.get(shift, (15.0,) * 4)[num % 4]
    receipt = 3000.0 + 500 * num if shift == 102 and num < 3 else 0.0
    beg = stock
    expense = min(900.0 + 100 * num + 10 * (shift % 10), beg / 2)
    end = beg + receipt - expense
    if shift == 103 and num in (2, 3):
        end = 1000.0  # the worked end stocks at 30 °C
    calc_end = end + 3.5 - num
    rev = shift == 102
    row = {
        "SMNUM": shift, "SILONUM": num, "SILONAME": name, "GSMNAME": fuel,
        "GSMPRICE": price(fuel, shift), "MAXVOLUME": capacity,
        "SILOBEGL": beg, "SILOBEG": round(beg / 10, 1), "SILOBEG20L": round(beg * 0.995, 2),
        "SILOBEGCALC20L": round((beg + 2) * 0.995, 2), "SILOBEGCALCKG": round((beg + 2) * d_beg, 3),
        "SILOBEGCALCL": beg + 2, "UDVESBEG": d_beg, "UDVES": d, "UDVESEND": d_end,
        "SILOWASSER": 1.5 + num, "SILOTEMPER": temper, "SILOENDL": end,
        "SILOEND": round(end / 10, 1), "SILOENDCALC": round(calc_end / 10, 1),
        "SILOENDCALCL": calc_end, "SILOENDCALCKG": round(calc_end * d_end, 3),
        "SILOENDCALC20L": round(calc_end * 0.995, 2),
        "SILOPRX": receipt, "SILOPRKG": round(receipt * d, 3), "SILOPRX20": round(receipt * 0.996, 2),
        "PRXFACT": receipt - 4 if receipt else 0.0, "PRXFACTKG": round((receipt - 4) * d, 3)
        if receipt else 0.0, "SILODEBIT20": round(expense * 0.996, 2),
        "SILORASHL": expense, "SILORASHKG": round(expense * d, 3),
        "SILORASH20L": round(expense * 0.996, 2), "SILORASHFACT": expense + 1.25,
        "SILORASHFACTKG": round((expense + 1.25) * d, 3),
        "BLOCKED": 1 if num == 1 else 0, "BEGBLOCKED": 1 if num == 2 else 0,
        "BEGPRESSURE": 1.25 + num, "PRESSURE": 1.5 + num, "BEGWASSER": 2.0 + num,
        "WAITPRXL": 100.0 * num, "WAITPRXKG": 75.5 * num, "WAITRSXL": 10.0 * num,
        "WAITRSXKG": 7.5 * num,
        "SILOBEGCALCREV": beg + 5 if rev else 0.0,
        "SILOBEGCALCREVKG": round((beg + 5) * d_beg, 3) if rev else 0.0,
        "SILOENDCALCREV": round((calc_end + 5) / 10, 1) if rev else 0.0,
        "SILOENDCALCREVL": calc_end + 5 if rev else 0.0,
        "SILOENDCALCREVKG": round((calc_end + 5) * d_end, 3) if rev else 0.0,
        "SILOPRXREV": 20.0 if rev and num == 0 else 0.0,
        # a correction expense in a shift without correction rows
        "SILORSXREV": 5.0 if shift == 103 and num == 1 else 0.0,
        "SILORSXREVR": 276.0 if shift == 103 and num == 1 else 0.0,
    }
    return row, end


def vo_rows(shift, tank, sold):
    num, _, fuel, _, (_, d, _) = tank
    p = price(fuel, shift)
    rows = []
    for i, (vo, check) in enumerate(VIDOPL):
        if num == 3 and vo not in (0, 1):
            continue  # the second АИ-92 tank sells payment types 0 and 1 only
        litre = round(sold * (0.3 if vo == 0 else 0.1) + i, 2)
        if vo == 40 and num == 0 and shift == 101:
            check = 7  # the one row of check type 7
        summa = round(litre * p, 2)
        if vo == 2 and num == 0:
            summa = round(summa - 12.34, 2)  # a discount
        rev = shift == 102 and num == 0 and vo in (0, 1)
        rows.append({"SMNUM": shift, "SILONUM": num, "VIDOPL": vo, "CHECKTYPE": check,
                     "LITRE": litre, "KG": round(litre * d, 3), "SUMMA": summa,
                     "REVLITRE": 2.5 if rev else 0.0, "REVKG": round(2.5 * d, 3) if rev else 0.0,
                     "REVSUMMA": round(2.5 * p, 2) if rev else 0.0})
    return rows


def trk_rows(shift, counters):
    rows = []
    nozzles = list(NOZZLES)
    if shift == 103:
        nozzles.append((3, 3, 4))  # a tank without an SMSILO row in this shift
    for i, (trk, pist, silo) in enumerate(nozzles):
        fuel = TANKS[silo][2] if silo < len(TANKS) else "АИ-80"
        beg, el_beg = counters.get((trk, pist), (125000.0 + 37000 * i, 500000.0 + 41000 * i))
        sold = 1000.0 if (trk, pist) == (1, 1) else 600.0 + 50 * i + (shift % 10)
        end = beg + sold
        el = sold + (5 if (trk, pist) == (1, 1) else 0 if i == 1 else -3 if i == 2 else 1.5)
        pereliv = 2.0 if (trk, pist) in ((1, 1), (2, 2)) else 0.0
        el_end = el_beg + el + (0 if (trk, pist) != (1, 1) else 0)
        row = {"SMNUM": shift, "TRKINDEX": trk, "TRKNUM": str(trk), "PISTOLET": pist,
               "SILONUM": silo, "GSMNAME": fuel, "GSMPRICE": price(fuel, shift),
               "TRKBEG": beg, "TRKEND": end,
               "TRK2BEG": 3000.0 + 100 * shift if (trk, pist) == (2, 1) else 0.0,
               "TRK2END": 3000.0 + 100 * shift + sold if (trk, pist) == (2, 1) else 0.0,
               "BEGELCOUNTER": el_beg, "ENDELCOUNTER": el_beg + el, "ELCOUNTER": el,
               "TRKSMENA": sold, "TRKSMENAM": 10.0 if (trk, pist) == (1, 1) else 0.0,
               "TRKSMENACOR": 4.0 if shift == 102 and pist == 1 else 0.0, "PERELIV": pereliv}
        counters[(trk, pist)] = (end, el_beg + el)
        rows.append(row)
    return rows


def small_shift(shift, stocks, counters):
    """The SMTRK, SMSILO and SILOVO rows of one shift."""
    out = {"SMTRK": trk_rows(shift, counters), "SMSILO": [], "SILOVO": []}
    for tank in TANKS:
        row, stocks[tank[0]] = silo_row(shift, tank, stocks[tank[0]])
        out["SMSILO"].append(row)
        out["SILOVO"] += vo_rows(shift, tank, row["SILORASHL"])
    return out


def small_sample(open_shift):
    """Rows per table: SMLOG, SMSILO, SILOVO, SMTRK; and the open shift's rows."""
    tables = {"SMLOG": [], "SMSILO": [], "SILOVO": [], "SMTRK": []}
    stocks = {t[0]: 8000.0 + 2000 * t[0] for t in TANKS}
    counters = {}
    orphan = small_shift(100, {t[0]: 8000.0 + 2000 * t[0] for t in TANKS}, {})
    for name in ("SMTRK", "SMSILO", "SILOVO"):
        tables[name] += orphan[name]
    for shift in (101, 102, 103, 104):
        if shift != 104:
            tables["SMLOG"].append(shift_log(shift))
        rows = small_shift(shift, stocks, counters)
        if shift == 104:
            # The shift after 103, under the number the host gives its open shift.
            fill = {1: [shift_log(shift, open_end=True)], 2: rows["SMTRK"], 3: rows["SMSILO"],
                    6: rows["SILOVO"]}
            for rows_of_kind in fill.values():
                for row in rows_of_kind:
                    row["SMNUM"] = open_shift
            continue
        for name in ("SMTRK", "SMSILO", "SILOVO"):
            tables[name] += rows[name]
    return tables, fill


def large_sample(shifts, nozzles, tanks, vo_count):
    """The benchmark's range: shifts 1001 .. 1000 + shifts."""
    for k in range(shifts):
        shift = 1001 + k
        log = shift_log(101)
        log["SMNUM"] = shift
        yield "SMLOG", log
        for t in range(tanks):
            base = TANKS[t % 3]
            tank = (t, "Резервуар %d" % (t + 1), base[2], base[3], base[4])
            row, _ = silo_row(101, tank, 10000.0 + k)
            row["SMNUM"] = shift
            yield "SMSILO", row
            for v in range(vo_count):
                yield "SILOVO", {"SMNUM": shift, "SILONUM": t, "VIDOPL": v, "CHECKTYPE": v % 6,
                                 "LITRE": 10.0 + v, "KG": 7.5 + v, "SUMMA": 500.0 + v,
                                 "REVLITRE": 0.0, "REVKG": 0.0, "REVSUMMA": 0.0}
        for n in range(nozzles):
            yield "SMTRK", {"SMNUM": shift, "TRKINDEX": n // 2 + 1, "TRKNUM": str(n // 2 + 1),
                            "PISTOLET": n % 2 + 1, "SILONUM": n % tanks,
                            "GSMNAME": TANKS[(n % tanks) % 3][2], "GSMPRICE": 50.0,
                            "TRKBEG": 1000.0 * k, "TRKEND": 1000.0 * k + 600,
                            "TRK2BEG": 0.0, "TRK2END": 0.0, "BEGELCOUNTER": 1000.0 * k,
                            "ENDELCOUNTER": 1000.0 * k + 601, "ELCOUNTER": 601.0,
                            "TRKSMENA": 600.0, "TRKSMENAM": 0.0, "TRKSMENACOR": 0.0,
                            "PERELIV": 0.0}
