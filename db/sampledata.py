"""Deterministic sample data of the station, office and goods databases.

Each make_* function returns {table: [row dict, ...]} in insertion order. The
same arguments always give the same rows (one seeded generator, fixed
iteration order, values rounded where they are made), so tests and
benchmarks can rely on exact figures.

The station: four tanks, three dispensers with eight nozzles, fuels АИ-92,
АИ-95, АИ-98 and ДТ, payment types of every base kind, statement customers
with cars, drivers, contracts and limits. `shifts` closed shifts of twelve
hours each start on 2024-03-01 08:00; the open shift follows the last one and
has no SMLOG row (its number is shifts + 1). `sales` sales rows are spread
over the closed shifts; the open shift gets a third of a shift's share.
"""

import datetime as dt
import random

BASE_TIME = dt.datetime(2024, 3, 1, 8, 0, 0)
SHIFT_HOURS = 12

# name, price, density at 15 C
FUELS = {
    "АИ-92": (52.40, 0.7450),
    "АИ-95": (57.10, 0.7550),
    "АИ-98": (68.90, 0.7650),
    "ДТ": (63.75, 0.8350),
}

# SILONUM (from 0), name, fuel, capacity in litres, stock at the start
TANKS = [
    (0, "Резервуар 1", "АИ-92", 25000.0, 18000.0),
    (1, "Резервуар 2", "АИ-95", 25000.0, 16500.0),
    (2, "Резервуар 3", "ДТ", 30000.0, 21000.0),
    (3, "Резервуар 4", "АИ-98", 10000.0, 6200.0),
]

# TRKINDEX (from 1), nozzle, tank
NOZZLES = [
    (1, 1, 0), (1, 2, 1), (1, 3, 2),
    (2, 1, 0), (2, 2, 1), (2, 3, 2),
    (3, 1, 1), (3, 2, 3),
]

# payment code, CHECKTYPE of its sales, weight among sales
PAY_TYPES = [
    (0, 0, 44), (1, 1, 22), (2, 2, 6), (3, 3, 2), (4, 4, 8), (104, 4, 2),
    (5, 7, 1), (6, 2, 1), (7, 1, 3), (8, 5, 3), (9, 6, 3), (10, 0, 4),
    (11, 7, 0), (12, 6, 1),
]
FUEL_WEIGHTS = {"АИ-92": 40, "АИ-95": 35, "ДТ": 20, "АИ-98": 5}

OPERATORS = ["Петрова Анна Сергеевна", "Кузнецов Игорь Петрович",
             "Смирнова Ольга Викторовна", "Волков Дмитрий Андреевич"]

CONTRAGENTS = [
    # id, short name, full name, INN, KPP, address, phone, OKPO, account, bank, corr. account, BIK
    (1, "ООО Велмар-Север", "Общество с ограниченной ответственностью «Велмар-Север»",
     "7714123456", "771401001", "127015, г. Москва, ул. Новодмитровская, д. 5", "+7 495 123-45-67",
     "12345678", "40702810400000012345", "ПАО «Северный банк», г. Москва",
     "30101810400000000225", "044525225"),
    (2, "ООО НефтеТрансСервис", "Общество с ограниченной ответственностью «НефтеТрансСервис»",
     "5024098765", "502401001", "143401, Московская обл., г. Красногорск, ш. Волоколамское, д. 12",
     "+7 495 765-43-21", "87654321", "40702810900000054321", "АО «Промбанк», г. Москва",
     "30101810100000000787", "044525787"),
    (3, "ЗАО Автоколонна 1417", "Закрытое акционерное общество «Автоколонна № 1417»",
     "7716543210", "771601001", "129347, г. Москва, ул. Холмогорская, д. 2", "+7 495 222-33-44",
     "23456789", "40702810500000023456", "ПАО «Северный банк», г. Москва",
     "30101810400000000225", "044525225"),
    (4, "ООО СтройМеханизация", "Общество с ограниченной ответственностью «СтройМеханизация»",
     "5003011223", "500301001", "142704, Московская обл., г. Видное, ул. Строительная, д. 7",
     "+7 495 541-10-10", "34567890", "40702810700000034567", "АО «Промбанк», г. Москва",
     "30101810100000000787", "044525787"),
    (5, "ИП Соколов А. В.", "Индивидуальный предприниматель Соколов Алексей Викторович",
     "771234567890", "", "127566, г. Москва, Алтуфьевское ш., д. 44, кв. 12", "+7 916 555-12-12",
     "0145678901", "40802810300000045678", "ПАО «Северный банк», г. Москва",
     "30101810400000000225", "044525225"),
    (6, "ООО ТрансЛогистик", "Общество с ограниченной ответственностью «ТрансЛогистик»",
     "7733445566", "773301001", "125362, г. Москва, ул. Свободы, д. 31", "+7 495 909-09-09",
     "45678901", "40702810100000056789", "ПАО «Северный банк», г. Москва",
     "30101810400000000225", "044525225"),
    (7, "МУП Горэлектротранс", "Муниципальное унитарное предприятие «Горэлектротранс»",
     "5001002003", "500101001", "143900, Московская обл., г. Балашиха, ул. Советская, д. 1",
     "+7 495 521-00-00", "56789012", "40702810800000067890", "АО «Промбанк», г. Москва",
     "30101810100000000787", "044525787"),
]
# statement customers: contragent id -> payment codes of their contracts
STATEMENT_CUSTOMERS = {3: [4], 4: [4, 104], 5: [4], 7: [8]}

CARS = [  # id, plate, make, owner, trailer make, trailer plate, trailer garage number
    (1, "А123ВС77", "КАМАЗ 65115", 3, "НЕФАЗ 8560", "АВ4512 77", "17"),
    (2, "В456ОР77", "МАЗ 5440", 3, None, None, None),
    (3, "Е789КХ50", "Volvo FH12", 4, "Schmitz S01", "ЕК0317 50", "3"),
    (4, "О321ТТ50", "ГАЗ 3309", 4, None, None, None),
    (5, "Р654МН77", "Ford Transit", 5, None, None, None),
    (6, "С987АА50", "ЛиАЗ 5292", 7, None, None, None),
]
DRIVERS = [  # id, name, licence, owner
    (1, "Иванов Сергей Петрович", "77 АА 123456", 3),
    (2, "Сидоров Павел Николаевич", "77 АВ 654321", 3),
    (3, "Морозов Андрей Ильич", "50 ВК 112233", 4),
    (4, "Новиков Роман Олегович", "50 ВМ 445566", 4),
    (5, "Соколов Алексей Викторович", "77 КО 778899", 5),
    (6, "Лебедев Виктор Степанович", "50 ОР 990011", 7),
]


def money(x):
    return round(x + 0.0, 2)


class Station:
    def __init__(self, shifts, sales, seed, office_waybills=0):
        self.rnd = random.Random(seed)
        self.office_waybills = office_waybills
        self.shifts = max(1, shifts)
        self.sales = max(0, sales)
        self.t = {name: [] for name in (
            "CONTRAGENT", "CONTRAGENTTYPE", "VDCONTRACTOR", "VDCAR", "VDDRIVER", "VDLIMITS",
            "VDLIMITSHISTORY", "SMLOG", "SMSILO", "SMTRK", "SILOVO", "LOGTRAN", "LOGTRANDSC",
            "BCHECK", "TRK", "PRX", "PRXSILO", "BONUS", "KKMOPER", "RESETTRK", "BACKCARD",
            "COUPONLIST", "TTN", "TTNDETAIL", "SCANDOCTYPES", "SCANDOCUMENTS")}
        self.index_sale = 0
        self.opnum = 0
        self.coupon = 100
        self.stock = {tank[0]: tank[4] for tank in TANKS}
        self.mech = {(trk, noz): 120000.0 + 10000.0 * trk + 1000.0 * noz for trk, noz, _ in NOZZLES}
        self.elec = {k: v - 35.5 for k, v in self.mech.items()}
        self.forced = list(PAY_TYPES)

    # -- reference data -------------------------------------------------------
    def reference(self):
        for c in CONTRAGENTS:
            self.t["CONTRAGENT"].append(dict(
                CONTR_ID=c[0], NAME=c[1], FULLNAME=c[2], INN=c[3], KPP=c[4] or None,
                ADDRESS=c[5], PHONE=c[6], OKPO=c[7], RSCHET=c[8], BANKNAME=c[9], KSCHET=c[10],
                BIK=c[11], ISDELETE=0))
        for cid, codes in STATEMENT_CUSTOMERS.items():
            for code in codes:
                self.t["CONTRAGENTTYPE"].append(dict(CONTR_ID=cid, CTYPE=1, PARAM1=code))
        self.t["CONTRAGENTTYPE"].append(dict(CONTR_ID=2, CTYPE=2, PARAM1=0))
        for car in CARS:
            self.t["VDCAR"].append(dict(ID=car[0], NAME=car[1], MARKA=car[2], CID=str(car[3]),
                                        PRMARKA=car[4], PRNAME=car[5], PRNUMBER=car[6]))
        for d in DRIVERS:
            self.t["VDDRIVER"].append(dict(ID=d[0], NAME=d[1], UDOST=d[2], CID=str(d[3])))
        self.limits()
        self.t["SCANDOCTYPES"] += [dict(ID=1, NAME="Товарно-транспортная накладная"),
                                   dict(ID=2, NAME="Доверенность")]
        self.t["SCANDOCUMENTS"] += [
            dict(ID=1, TYPE_ID=1, DOCDATE=BASE_TIME + dt.timedelta(hours=3), DOCNUMBER="ТТН-0001",
                 CNTSENDER_ID=2, CNTTARGET_ID=1, CNTPER_ID=6, FILENAME="ttn-0001.pdf",
                 SCAN=b"%PDF-1.4 sample", ISDELETE=0),
            dict(ID=2, TYPE_ID=2, DOCDATE=BASE_TIME + dt.timedelta(hours=5), DOCNUMBER="Д-17",
                 CNTSENDER_ID=3, CNTTARGET_ID=1, CNTPER_ID=None, FILENAME="dov-17.pdf",
                 SCAN=b"%PDF-1.4 sample", ISDELETE=1)]

    def limits(self):
        lid = 0
        for cid, codes in STATEMENT_CUSTOMERS.items():
            for code in codes:
                for gsm, liters, summa, car, drv in (("ВСЕ", 5000.0, 250000.0, None, None),
                                                     ("ДТ", 2000.0, -1.0, None, None),
                                                     ("АИ-95", 300.0, -1.0, None, None)):
                    lid += 1
                    if gsm == "АИ-95":  # bound to the customer's first car and driver
                        car = next(c[0] for c in CARS if c[3] == cid)
                        drv = next(d[0] for d in DRIVERS if d[3] == cid)
                    self.t["VDLIMITS"].append(dict(
                        ID=lid, NAME=f"Лимит {gsm} по договору {cid}-{code}", LIMITTYPE=5,
                        LITERS=liters, SUMMA=summa, GSM=gsm, CONTR_ID=cid, CID=str(cid),
                        CARID=car, DRIVERID=drv, VIDOPL=code, ISDELETE=0))
                    self.t["VDLIMITSHISTORY"].append(dict(
                        LID=lid, DATAAPPLY=BASE_TIME - dt.timedelta(days=2),
                        DATACHANGE=BASE_TIME - dt.timedelta(days=2, hours=3), CHANGETYPE=1,
                        CHANGEONL=liters, CHANGEONS=summa, BALANCEL=liters, BALANCES=summa))
            lid += 1
            self.t["VDLIMITS"].append(dict(  # a monthly limit (not decreasing)
                ID=lid, NAME=f"Месячный лимит {cid}", LIMITTYPE=2, LITERS=999999999.0,
                SUMMA=-1.0, GSM="ВСЕ", CONTR_ID=cid, CID=str(cid), CARID=None, DRIVERID=None,
                VIDOPL=codes[0], ISDELETE=0))

    # -- sales -----------------------------------------------------------------
    def pick(self, weighted):
        total = sum(w for *_, w in weighted)
        r = self.rnd.uniform(0, total)
        for item in weighted:
            r -= item[-1]
            if r <= 0:
                return item
        return weighted[-1]

    def sale(self, when, smnum, acc):
        fuel = self.pick([(f, w) for f, w in FUEL_WEIGHTS.items()])[0]
        price, density = FUELS[fuel]
        trk, noz, tank = self.rnd.choice([n for n in NOZZLES if TANKS[n[2]][2] == fuel])
        # the first sales show every payment type once, then they come by weight
        code, checktype, _ = self.forced.pop(0) if self.forced else self.pick(PAY_TYPES)
        dose = self.rnd.random()
        ordered_sum = None
        if code == 5:
            liters = 10.0
        elif dose < 0.6:
            liters = float(self.rnd.choice([5, 10, 15, 20, 25, 30, 40, 50]))
        elif dose < 0.9:
            ordered_sum = float(self.rnd.choice([300, 500, 1000, 1500, 2000, 2500]))
            liters = round(ordered_sum / price, 2)
        else:
            liters = round(self.rnd.uniform(18.0, 62.0), 2)
        gsmprice = price
        if code == 10:
            gsmprice = round(price * 0.97, 2)
        summa = money(liters * gsmprice)
        self.index_sale += 1
        idx = self.index_sale
        row = dict(INDEXSALE=idx, DATA=when, GSMNAME=fuel, LITER=liters, SUMMA=summa,
                   GSMPRICE=gsmprice, BASEPRICE=price, PLOTN=density,
                   PLOTNOMER=round(density + self.rnd.uniform(-0.0015, 0.0015), 4),
                   TRKDENSITY=round(density + self.rnd.uniform(-0.001, 0.001), 4), PLISTNUM=None,
                   IDCNT=None, ID2CNT=None, IDDRV=None, IDCAR=None, VIDOPL=code,
                   KA=1 if code in (5, 11) else 0, POKUPATEL=None, KEEPER_ID=1, INN=None)
        if code in (4, 104, 8):
            cid = self.rnd.choice([c for c, codes in STATEMENT_CUSTOMERS.items() if code in codes])
            car = self.rnd.choice([c for c in CARS if c[3] == cid])
            drv = self.rnd.choice([d for d in DRIVERS if d[3] == cid])
            row.update(IDCNT=str(cid), ID2CNT=cid, IDCAR=car[0], IDDRV=drv[0],
                       PLISTNUM=f"ПЛ-{self.rnd.randint(100, 9999):05d}", POKUPATEL=drv[1],
                       INN=CONTRAGENTS[cid - 1][3])
        elif code in (2, 6, 12):
            row["POKUPATEL"] = f"Карта 7824{self.rnd.randint(0, 99999999):08d}"
        elif code == 9:
            self.coupon += 1
            cnum = f"Т-{self.coupon:06d}"
            row["POKUPATEL"] = f"Талон {cnum}"
            self.t["COUPONLIST"].append(dict(ID=cnum, CDATE=when - dt.timedelta(days=10),
                                             VIDOPL=9, GSM=fuel, LITRE=liters, USELITRE=liters))
        elif code == 10:
            card = f"2000{self.rnd.randint(0, 999999):06d}"
            row["POKUPATEL"] = f"ДК {card}"
            self.t["LOGTRANDSC"].append(dict(INDEXSALE=idx, DSCTYPE=3, DSCPARAM=card, DSCVAL=3.0))
        self.t["LOGTRAN"].append(row)
        client = 1 if self.rnd.random() < 0.7 else 2
        check = dict(INDEXSALE=idx, DATA=when + dt.timedelta(seconds=40), CLIENT=client, KKM=0,
                     KA=row["KA"], SUMMA=summa, KOLVO=liters, PRICE=gsmprice, GSM=fuel,
                     VIDOPL=code, TRKINDEX=trk - 1, NUMBER=noz, CHECKNUM=idx)
        late = when >= self.shift_middle and not self.returned
        if ordered_sum is not None and code == 0 and (late or self.rnd.random() < 0.05):
            self.returned = True
            # prepaid more than the tank took: the rest goes back on a return check
            poured = round(liters * self.rnd.uniform(0.6, 0.95), 2)
            row.update(LITER=poured, SUMMA=money(poured * price))
            check.update(SUMMA=ordered_sum, KOLVO=round(ordered_sum / price, 2))
            self.t["BCHECK"].append(check)
            back = money(ordered_sum - row["SUMMA"])
            check = dict(check, DATA=when + dt.timedelta(minutes=3), SUMMA=-back,
                         KOLVO=round(back / price, 2), CHECKNUM=idx)
        self.t["BCHECK"].append(check)
        self.t["TRK"].append(dict(
            TRK=str(trk), TIME=when, GSM=fuel, CLIENT=client - 1, OPERATION=0, OP1=code,
            OP2=0 if ordered_sum is None else 1, LITERS=row["LITER"], SUMMA=row["SUMMA"],
            AUTOMOBIL=row["POKUPATEL"], TRKDENSITY=row["TRKDENSITY"], INDEXSALE=idx))
        key = (tank, code, checktype)
        a = acc.setdefault(key, [0.0, 0.0, 0.0])
        a[0] += row["LITER"]
        a[1] += row["LITER"] * density
        a[2] += row["SUMMA"]
        acc.setdefault(("noz", trk, noz), [0.0])[0] += row["LITER"]
        return row

    # -- shifts ----------------------------------------------------------------
    def shift(self, smnum, begin, end, count, closed):
        acc = {}
        self.shift_middle = begin + (end - begin) / 2
        self.returned = False
        times = sorted(begin + dt.timedelta(seconds=self.rnd.uniform(60, (end - begin).total_seconds() - 60))
                       for _ in range(count))
        first = self.index_sale + 1
        rows = [self.sale(t, smnum, acc) for t in times]
        receipts = self.fuel_receipt(smnum, begin, end, closed) if closed else {}
        cash = sum(r["SUMMA"] for r in rows if r["VIDOPL"] in (0, 10))
        goods = money(count * 35.0 + 1234.5)
        if closed:
            self.t["SMLOG"].append(dict(
                SMNUM=smnum, BEGTIME=begin, ENDTIME=end, OPERATOR=OPERATORS[smnum % 4],
                OPERATOR2=OPERATORS[(smnum + 1) % 4], OPERATOR3=None, TOVARKKM=1,
                INKKM=5000.0, OUTKKM=money(cash), INKKM2=1000.0, OUTKKM2=goods,
                SUMMATOVARY=goods, INDEXSALE_BEG=first if rows else None,
                INDEXSALE_END=self.index_sale if rows else None))
            self.counters(smnum, acc)
            self.tanks(smnum, acc, receipts)
            for (tank, code, checktype), (l, kg, s) in sorted(
                    (k, v) for k, v in acc.items() if k[0] != "noz"):
                self.t["SILOVO"].append(dict(
                    SMNUM=smnum, SILONUM=tank, VIDOPL=code, CHECKTYPE=checktype, LITRE=round(l, 2),
                    KG=round(kg, 2), SUMMA=money(s), REVLITRE=0.0, REVKG=0.0, REVSUMMA=0.0))
            self.bonus(smnum, rows)
        self.t["KKMOPER"] += [
            dict(SMNUM=smnum if closed else 0, KKM=1, OPTYPE=0, SUMMA=5000.0),
            dict(SMNUM=smnum if closed else 0, KKM=1, OPTYPE=1, SUMMA=money(cash * 0.8)),
            dict(SMNUM=smnum if closed else 0, KKM=2, OPTYPE=0, SUMMA=1000.0)]
        return rows

    def counters(self, smnum, acc):
        for trk, noz, tank in NOZZLES:
            sold = round(acc.get(("noz", trk, noz), [0.0])[0], 2)
            can = 10.0 if (trk, noz) == (1, 1) else 0.0
            beg, ebeg = self.mech[(trk, noz)], self.elec[(trk, noz)]
            self.mech[(trk, noz)] = round(beg + sold + can, 2)
            self.elec[(trk, noz)] = round(ebeg + sold + can + 0.01 * (noz % 2), 2)
            fuel = TANKS[tank][2]
            self.t["SMTRK"].append(dict(
                SMNUM=smnum, TRKINDEX=trk, TRKNUM=str(trk), PISTOLET=noz, SILONUM=tank, GSMNAME=fuel,
                GSMPRICE=FUELS[fuel][0], TRKBEG=beg, TRKEND=self.mech[(trk, noz)],
                TRK2BEG=round(beg * 1.5, 2), TRK2END=round(self.mech[(trk, noz)] * 1.5, 2),
                BEGELCOUNTER=ebeg, ENDELCOUNTER=self.elec[(trk, noz)],
                ELCOUNTER=round(self.elec[(trk, noz)] - ebeg, 2), TRKSMENA=sold, TRKSMENAM=can,
                TRKSMENACOR=0.0, PERELIV=0.0))

    def tanks(self, smnum, acc, receipts):
        for silo, name, fuel, capacity, _ in TANKS:
            price, density = FUELS[fuel]
            sold = sum(v[0] for k, v in acc.items() if k[0] == silo) + (10.0 if silo == 0 else 0.0)
            prx = receipts.get(silo, 0.0)
            beg = self.stock[silo]
            calc = round(beg + prx - sold, 2)
            end = round(calc + self.rnd.uniform(-12.0, 8.0), 2)
            self.stock[silo] = end
            level = lambda litres: round(2800.0 * litres / capacity, 1)
            t20 = 0.9985
            self.t["SMSILO"].append(dict(
                SMNUM=smnum, SILONUM=silo, SILONAME=name, GSMNAME=fuel, GSMPRICE=price,
                MAXVOLUME=capacity, SILOBEGL=beg, SILOBEG=level(beg), SILOBEG20L=round(beg * t20, 2),
                SILOBEGCALC20L=round(beg * t20, 2), SILOBEGCALCKG=round(beg * density, 2),
                SILOBEGCALCL=beg, UDVESBEG=density, UDVES=density, UDVESEND=density,
                SILOWASSER=0.0, SILOTEMPER=round(self.rnd.uniform(4.0, 9.0), 1), SILOENDL=end,
                SILOEND=level(end), SILOENDCALC=level(calc), SILOENDCALCL=calc,
                SILOENDCALCKG=round(calc * density, 2), SILOENDCALC20L=round(calc * t20, 2),
                SILOPRX=prx, SILOPRKG=round(prx * density, 2), SILOPRX20=round(prx * t20, 2),
                PRXFACT=prx, PRXFACTKG=round(prx * density, 2), SILODEBIT20=0.0,
                SILORASHL=round(sold, 2), SILORASHKG=round(sold * density, 2),
                SILORASH20L=round(sold * t20, 2), SILORASHFACT=round(beg + prx - end, 2),
                SILORASHFACTKG=round((beg + prx - end) * density, 2), BLOCKED=0, BEGBLOCKED=0,
                BEGPRESSURE=0.0, PRESSURE=0.0, BEGWASSER=0.0, WAITPRXL=0.0, WAITPRXKG=0.0,
                WAITRSXL=0.0, WAITRSXKG=0.0, SILOBEGCALCREV=beg,
                SILOBEGCALCREVKG=round(beg * density, 2), SILOENDCALCREV=level(calc),
                SILOENDCALCREVL=calc, SILOENDCALCREVKG=round(calc * density, 2), SILOPRXREV=0.0,
                SILORSXREV=0.0, SILORSXREVR=0.0))

    def fuel_receipt(self, smnum, begin, end, closed):
        """One fuel truck per shift into one tank (in turn); the second shift also
        has a transfer between tanks and a pump-out."""
        silo, name, fuel, capacity, _ = TANKS[(smnum - 1) % len(TANKS)]
        price, density = FUELS[fuel]
        ttn_volume = 8000.0 if capacity > 10000 else 3000.0
        fact = round(ttn_volume + self.rnd.uniform(-25.0, 10.0), 2)
        start = begin + dt.timedelta(hours=2)
        self.opnum += 1
        self.t["PRX"].append(dict(
            OPNUM=self.opnum, DATE=start, SMNUM=smnum, SILONUM=silo, SILONAME=name,
            CARVOLTTN=ttn_volume, OPERATOR=OPERATORS[smnum % 4], GSMNAME=fuel, BEGTIME=start,
            ENDTIME=start + dt.timedelta(minutes=45),
            SILOLEVELBEFORE=round(2800.0 * self.stock[silo] / capacity, 1),
            SILOLEVELAFTER=round(2800.0 * (self.stock[silo] + fact) / capacity, 1), FACT1=fact,
            DOPUSK=round(ttn_volume * 0.005, 2), DELTA=round(fact - ttn_volume, 2),
            UDVES=density, TEMPER=6.5, PRIM="Гаврилов Олег Юрьевич", FACTPLOTN=density + 0.0004,
            COR=0, PRIHOD=1, CARVOLFACT=fact, CARUDVESFACT=density + 0.0002, CARTEMPERFACT=7.0,
            AUTO=0, CARNAME="Н431КХ77", TTNDATA=start - dt.timedelta(hours=5),
            TTNNUM=f"НТ-{1000 + smnum}", CONTR_ID=2, NAMESLIV="Сливной колодец 1", KEEPER_ID=1,
            MASSAFROMTTN=round(ttn_volume * density, 2)))
        self.t["PRXSILO"].append(dict(
            OPNUM=self.opnum, SILONUM=silo, SILONAME=name, BEGTIME=start,
            ENDTIME=start + dt.timedelta(minutes=45),
            SILOLEVELBEFORE=round(2800.0 * self.stock[silo] / capacity, 1),
            SILOLEVELAFTER=round(2800.0 * (self.stock[silo] + fact) / capacity, 1), FACTL=fact,
            FACTPLOTN=density + 0.0004, TYPEOPER=0))
        receipts = {silo: fact}
        if smnum == 2:
            receipts.update(self.transfer_and_pump_out(smnum, begin))
        return receipts

    def transfer_and_pump_out(self, smnum, begin):
        moved = {}
        t = begin + dt.timedelta(hours=6)
        self.opnum += 1
        op = self.opnum
        base = dict(DATE=t, SMNUM=smnum, OPERATOR=OPERATORS[smnum % 4], BEGTIME=t,
                    ENDTIME=t + dt.timedelta(minutes=30), DOPUSK=0.0, DELTA=0.0, TEMPER=6.0,
                    PRIM="Перемещение", COR=0, CARVOLFACT=0.0, CARUDVESFACT=0.0,
                    CARTEMPERFACT=0.0, CARNAME="", TTNDATA=None, TTNNUM=None, CONTR_ID=None,
                    NAMESLIV=None, KEEPER_ID=1, MASSAFROMTTN=0.0)
        self.t["PRX"].append(dict(base, OPNUM=op, SILONUM=0, SILONAME=TANKS[0][1], CARVOLTTN=500.0,
                                  GSMNAME="АИ-92", SILOLEVELBEFORE=0.0, SILOLEVELAFTER=0.0,
                                  FACT1=500.0, UDVES=0.745, FACTPLOTN=0.745, PRIHOD=0, AUTO=4))
        for silo, typeoper, litres in ((0, 1, -500.0), (1, 0, 0.0)):
            self.t["PRXSILO"].append(dict(
                OPNUM=op, SILONUM=silo, SILONAME=TANKS[silo][1], BEGTIME=t,
                ENDTIME=t + dt.timedelta(minutes=30), SILOLEVELBEFORE=0.0, SILOLEVELAFTER=0.0,
                FACTL=abs(litres) if typeoper else 500.0, FACTPLOTN=0.745, TYPEOPER=typeoper))
        moved[0] = -500.0
        self.opnum += 1
        self.t["PRX"].append(dict(base, OPNUM=self.opnum, SILONUM=2, SILONAME=TANKS[2][1],
                                  CARVOLTTN=300.0, GSMNAME="ДТ", SILOLEVELBEFORE=0.0,
                                  SILOLEVELAFTER=0.0, FACT1=300.0, UDVES=0.835, FACTPLOTN=0.835,
                                  PRIHOD=0, AUTO=0, PRIM="Откачка на поверку",
                                  DATE=t + dt.timedelta(hours=1)))
        self.t["PRXSILO"].append(dict(
            OPNUM=self.opnum, SILONUM=2, SILONAME=TANKS[2][1], BEGTIME=t, ENDTIME=t,
            SILOLEVELBEFORE=0.0, SILOLEVELAFTER=0.0, FACTL=300.0, FACTPLOTN=0.835, TYPEOPER=1))
        moved[2] = -300.0
        return moved

    def bonus(self, smnum, rows):
        for fuel in FUELS:
            sold = round(sum(r["LITER"] for r in rows if r["VIDOPL"] == 10 and r["GSMNAME"] == fuel), 2)
            if sold <= 0:
                continue
            self.t["BONUS"].append(dict(
                SMENANUM=smnum, VIDOPL=10, SUBVIDOPL="Золотая карта", GSM=fuel, POROG=100.0,
                NAMEBONUS="Скидка 3%", PRICE=FUELS[fuel][0], PRODANOL=sold,
                BONUSL=round(sold * 0.03, 2), SUMMA=0.0, KA=0))

    def extras(self):
        """Restarts, card returns and waybills, placed in the second shift."""
        smnum = min(2, self.shifts)
        t = BASE_TIME + dt.timedelta(hours=SHIFT_HOURS * (smnum - 1) + 3)
        self.t["RESETTRK"] += [
            dict(STARTDATA=t, TRKNUM=2, TRKNAME="2", PISTOLET="1", GSM="АИ-92", VIDOPL=0,
                 STARTLITER=30.0, STARTSUMMA=money(30 * 52.4), TYPESTART=0, CLIENT=0,
                 POKUPATEL=None, LITER_PROG=12.4, LITER_DB=12.4, LITER_TRK_SUM=12.41,
                 LITER_TRK=12.41, LITER_MANUAL=None, LASTDATA=t + dt.timedelta(minutes=2),
                 LASTSTATE=133, DATA_LAST_KKM=None, SUMMA_LAST_KKM=None, LITER_LAST_KKM=None,
                 RESETWINDOWS=0, PRIM="Сбой связи с ТРК", INDEXSALE=None,
                 FIXEDDATA=t + dt.timedelta(minutes=5)),
            dict(STARTDATA=t + dt.timedelta(hours=2), TRKNUM=3, TRKNAME="3", PISTOLET="2",
                 GSM="АИ-98", VIDOPL=1, STARTLITER=None, STARTSUMMA=1500.0, TYPESTART=1, CLIENT=1,
                 POKUPATEL="Карта 782400012345", LITER_PROG=None, LITER_DB=None,
                 LITER_TRK_SUM=None, LITER_TRK=None, LITER_MANUAL=21.77, LASTDATA=None,
                 LASTSTATE=None, DATA_LAST_KKM=t + dt.timedelta(hours=2, minutes=4),
                 SUMMA_LAST_KKM=1500.0, LITER_LAST_KKM=21.77, RESETWINDOWS=1,
                 PRIM="Перезагрузка сервера", INDEXSALE=None,
                 FIXEDDATA=t + dt.timedelta(hours=2, minutes=9))]
        self.t["BACKCARD"] += [
            dict(DATA=t + dt.timedelta(hours=1), TIPCARD="ТК", NUMBERCARD="7824000011112222",
                 GSM="ДТ", LITERS=12.5, SUMMA=money(12.5 * 63.75), COMMENT="Недолив",
                 TRAN=bytes(range(0x20, 0x20 + 90)), STATUS=0),
            dict(DATA=t + dt.timedelta(hours=4), TIPCARD="ЛНР", NUMBERCARD="7824000033334444",
                 GSM="АИ-95", LITERS=5.0, SUMMA=money(5 * 57.1), COMMENT=None,
                 TRAN=b"\x01\x02\xfe\xff", STATUS=1)]
        statement = [r for r in self.t["LOGTRAN"] if r["VIDOPL"] in (4, 104)][:2]
        for n, sale in enumerate(statement, start=1):
            self.waybill(n, sale)
        if statement and not self.office_waybills:
            self.waybill(100000001, statement[0], office=True)
        if self.office_waybills:
            self.office_rows(self.office_waybills)

    def office_rows(self, count):
        """An office host's office waybills 100000001.. (each with OFCTTNID = its own id):
        every seventh deleted, every fifth with ISDELETE NULL, and the values that must
        travel exactly: Cyrillic text, four-decimal numbers, timestamps to 1/10000 s,
        multi-line VARLIST, NULLs and empty strings."""
        sales = [r for r in self.t["LOGTRAN"] if r["VIDOPL"] in (4, 104)]
        for k in range(1, count + 1):
            ttn_id = 100000000 + k
            self.waybill(ttn_id, sales[k % len(sales)], office=True)
            row = self.t["TTN"][-1]
            row.update(
                OFCTTNID=ttn_id, ISDELETE=1 if k % 7 == 3 else (None if k % 5 == 0 else 0),
                NADB=round(k * 0.0001 + 12.3456, 4), SKLADRASHOD=-round(k % 1000 * 1.0001, 4),
                TTNDATE=row["TTNDATE"] + dt.timedelta(microseconds=(k % 10) * 100),
                ALLSUMMATEXT="" if k % 2 else f"{k} руб. «ровно»",
                PRILPAGESTEXT=None if k % 3 else "Приложение: 2 листа",
                VARLIST=f"Прим=Примечание|Рейс № {k}\r\nСклад=Склад|АЗС №{k % 9}\r\n"
                        f"Груз=Груз|<ГСМ> & \"налив\" 'ёЁ'\tтаб",
                NAME1=f"Топливо {k % 4} «Евро-5»", MEST1=round(k % 97 + 0.0001, 4),
                KARDNUM1=k % 50 if k % 4 else None, GNAME1="" if k % 6 == 0 else "ГСМ",
                READDRESS=f"Строка 1\r\nСтрока 2\tпосле табуляции & <{k}>" if k % 4 == 1 else None)

    def waybill(self, ttn_id, sale, office=False):
        cid = int(sale["IDCNT"])
        car = next(c for c in CARS if c[0] == sale["IDCAR"])
        drv = next(d for d in DRIVERS if d[0] == sale["IDDRV"])
        when = sale["DATA"]
        mass = round(sale["LITER"] * sale["PLOTN"] / 1000.0, 4)
        price = sale["GSMPRICE"]
        self.t["TTN"].append(dict(
            TTN_ID=ttn_id, OFCTTNID=ttn_id if office else None, ISDELETE=0, INDEXSALE=sale["INDEXSALE"], TTNAPPLIED=1,
            GO_ID=1, GP_ID=cid, PER_ID=cid, PLAT_ID=cid, TNPOST_ID=1, TNPLAT_ID=cid,
            TTNSER="АБ", TTNNUMBER=f"{ttn_id % 100000:06d}", TTNDATE=when, NADB=0.0,
            SKLADRASHOD=0.0, ALLSUMMANUM=sale["SUMMA"], ALLSUMMATEXT="", ALLMEST="Одно",
            MNETTOTEXT="", MNETTONUM=round(mass * 1000, 2), MBRUTTOTEXT="", MBRUTTONUM=round(mass * 1000, 2),
            PRILPAGESTEXT=None, PRILPAGESNUM=0, BOSSPOST="Директор", BOSSFIO="Орлов В. А.",
            BUHFIO="Белова Т. Н.", GOPOST="Оператор", GOFIO=OPERATORS[0], DOVERNUM="17",
            DOVERDATE=when - dt.timedelta(days=20), DRIVERPOST="Водитель", DRIVERFIO=drv[1],
            DRIVERUDOST=drv[2], DOSTDATE=None, PLIST=sale["PLISTNUM"], CARMARKA=car[2],
            CARNUM=car[1], LICCARD=1, TRANSPKIND="Автомобильный", PKOD="0103",
            PUNKTPOGRUZ="АЗС Велмар-Север, г. Москва, Дмитровское ш., 71",
            PUNKTRAZGRUZ=CONTRAGENTS[cid - 1][5], PMARSHRUT="Москва — Московская обл.", READDRESS=None,
            PRMARKA1=car[4], PRNUM1=car[5], PRGARNUM1=car[6], SFNUMBER=f"СФ-{ttn_id % 100000}",
            SFDATE=when, SFGOTYPE=1, SFPLATDOC=None, SFBOSSFIO="Орлов В. А.", SFINDPREDFIO=None,
            SFBUHFIO="Белова Т. Н.", SFGOSREG=None, TNNUMBER=f"{ttn_id % 100000}", TNDATE=when,
            TNOSNNAME="Договор поставки", TNOSNNUMBER=f"{cid}/24", TNOSNDATE=BASE_TIME - dt.timedelta(days=60),
            TNTRNUMBER=None, TNTRDATE=None, TNOPERATION="Продажа",
            VARLIST="Прим=Примечание|Отпуск по ведомости\r\nСклад=Склад|АЗС №7",
            KVITNUMBER=f"{ttn_id % 100000}", KVITDATE=when,
            NAME1=f"Топливо {sale['GSMNAME']}", PKOD1="0103", PREISKURANT1=None, ARTICLE1=None,
            COUNT1=sale["LITER"], PRICE1=price, UNIT1="л", UPAKVID1="Налив", MEST1=1.0,
            MASSA1=mass, SUMMA1=sale["SUMMA"], KARDNUM1=None, TEMPER1=7.0, UDVES1=sale["PLOTN"],
            VOLUME1=sale["LITER"], GNAME1=None, GDOCUMENTS1="Паспорт качества", GUPAKVID1="Налив",
            GMEST1=1, GOPREDMASSA1="Расчетный", GKOD1=None, GKONT1=None, GCLASS1="3",
            GMBRUTTO1=mass, SFNAME1=f"Топливо {sale['GSMNAME']}", SFUNIT1="л",
            SFCOUNT1=sale["LITER"], SFPRICE1=round(price / 1.2, 2),
            SFSUMMA1=round(sale["SUMMA"] / 1.2, 2), SFEXCISE1=0.0, SFNDS1=20.0,
            SFSUMMANDS1=round(sale["SUMMA"] - sale["SUMMA"] / 1.2, 2), SFSUMMASNDS1=sale["SUMMA"],
            SFCOUNTRY1="Россия", SFTAMDEKLAR1=None))
        if office:
            return
        for line in (1, 2):
            share = 1.0 if line == 1 else 0.0
            self.t["TTNDETAIL"].append(dict(
                ID=line, TTN_ID=ttn_id, PRINTTTN1=1, PRINTTTN2=1 if line == 1 else 0,
                PRINTSF=1 if line == 1 else 0, PRINTTN=1 if line == 1 else 0,
                INDEXSALE=sale["INDEXSALE"] if line == 1 else None,
                NAME=f"Топливо {sale['GSMNAME']}" if line == 1 else "Тара (без оплаты)",
                PKOD="0103", PREISKURANT=None, ARTICLE=None, COUNT=round(sale["LITER"] * share, 2),
                PRICE=price * share, UNIT="л" if line == 1 else "шт", UPAKVID="Налив", MEST=1.0,
                MASSA=round(mass * share, 4), SUMMA=round(sale["SUMMA"] * share, 2), KARDNUM=12 * line,
                TEMPER=7.0, UDVES=sale["PLOTN"], VOLUME=round(sale["LITER"] * share, 2),
                PRESSURE=0.0, GNAME=None, GDOCUMENTS="Паспорт качества №" + str(ttn_id),
                GUPAKVID="Налив", GMEST=1, GOPREDMASSA="Расчетный", GKOD=None, GKONT=None,
                GCLASS="3", GMBRUTTO=round(mass * share, 4), SFNAME=f"Топливо {sale['GSMNAME']}",
                SFUNIT="л", SFCOUNT=round(sale["LITER"] * share, 2), SFPRICE=round(price / 1.2, 2),
                SFSUMMA=round(sale["SUMMA"] * share / 1.2, 2), SFEXCISE=0.0, SFNDS=20.0,
                SFSUMMANDS=round(sale["SUMMA"] * share - sale["SUMMA"] * share / 1.2, 2),
                SFSUMMASNDS=round(sale["SUMMA"] * share, 2), SFCOUNTRY="Россия", SFTAMDEKLAR=None))

    def build(self):
        self.reference()
        per_shift = self.sales // self.shifts
        extra = self.sales - per_shift * self.shifts
        for n in range(1, self.shifts + 1):
            begin = BASE_TIME + dt.timedelta(hours=SHIFT_HOURS * (n - 1))
            count = per_shift + (1 if n <= extra else 0)
            self.shift(n, begin, begin + dt.timedelta(hours=SHIFT_HOURS, seconds=-1), count, True)
        open_begin = BASE_TIME + dt.timedelta(hours=SHIFT_HOURS * self.shifts)
        self.shift(self.shifts + 1, open_begin, open_begin + dt.timedelta(hours=4),
                   max(3, per_shift // 3), False)
        self.extras()
        return self.t


def make_station(shifts=3, sales=120, seed=20240301, office_waybills=0):
    """Rows of the station database and the value of GEN_INDEXSALE; with office_waybills
    an office host's database, whose office waybills replace the one office row."""
    station = Station(shifts, sales, seed, office_waybills)
    tables = station.build()
    return tables, station.index_sale


def make_office(seed=20240302):
    rnd = random.Random(seed)
    cards = []
    stations = ["АЗС №7 Велмар-Север", "АЗС №3 Велмар-Юг", "АЗС №12 Велмар-Запад"]
    for n in range(1, 13):
        card = f"2000{n * 7919 % 1000000:06d}"
        for k in range(1 + n % 3):
            fuel = ["АИ-92", "АИ-95", "ДТ", "АИ-98"][(n + k) % 4]
            liters = round(rnd.uniform(15, 60), 2)
            cards.append(dict(CARDNUM=card, AZSNAME=stations[(n + k) % 3], GSM=fuel,
                              DAT=BASE_TIME + dt.timedelta(hours=n * 5 + k),
                              VIDOPL=10, SUMLITER=liters, SUMRUBL=money(liters * FUELS[fuel][0] * 0.97)))
    fuels = list(FUELS)
    old = [f"{FUELS[f][0] - 0.6:.2f}" for f in fuels]
    new = [f"{FUELS[f][0]:.2f}".replace(".", ",") for f in fuels]
    history = [
        dict(OSNOVANIE="Приказ № 14 от 28.02.2024", DATACHANGE=BASE_TIME - dt.timedelta(days=1, hours=2),
             DATAAPPLY=BASE_TIME, OPERATOR="Орлов В. А.", FULLGSMLIST="\r\n".join(fuels),
             FULLGSMOLDVALUES="\r\n".join(old), FULLGSMVALUES="\r\n".join(new),
             AZSLIST="\r\n".join(stations)),
        dict(OSNOVANIE="Приказ № 15 от 02.03.2024", DATACHANGE=BASE_TIME + dt.timedelta(days=1, hours=3),
             DATAAPPLY=BASE_TIME + dt.timedelta(days=2), OPERATOR="Орлов В. А.",
             FULLGSMLIST="ДТ", FULLGSMOLDVALUES=f"{FUELS['ДТ'][0]:.2f}",
             FULLGSMVALUES=f"{FUELS['ДТ'][0] + 0.45:.2f}", AZSLIST=stations[0] + "\n" + stations[2]),
    ]
    return {"DSCCARDS": cards, "GSMCHANGEHISTORY": history}


def make_goods(shifts=3, seed=20240303):
    rnd = random.Random(seed)
    t = {name: [] for name in ("CATEGORY", "GOODS", "BATCHES", "PAYMENT", "DOCUMENTS",
                               "GOODSMOTION", "SALEDOC")}
    t["CATEGORY"] = [dict(ID_CATEGORY=1, NAME="Продукты", KKMSECTION=1),
                     dict(ID_CATEGORY=2, NAME="Автомасла", KKMSECTION=2),
                     dict(ID_CATEGORY=3, NAME="Автотовары", KKMSECTION=2)]
    goods = [(1, "Кофе капучино 0,3 л", 1, 10.0, 45.0, 149.0),
             (2, "Вода питьевая 0,5 л", 1, 20.0, 21.0, 59.0),
             (3, "Шоколад молочный 90 г", 1, 20.0, 48.0, 99.0),
             (4, "Масло моторное 5W-40, 4 л", 2, 20.0, 1850.0, 2790.0),
             (5, "Омыватель стекла -20 °C, 5 л", 3, 20.0, 160.0, 349.0),
             (6, "Щетка стеклоочистителя 55 см", 3, 20.0, 210.0, 459.0)]
    for gid, name, cat, nds, zprice, _ in goods:
        t["GOODS"].append(dict(ID_GOODS=gid, NAME=name, ID_CATEGORY=cat))
        t["BATCHES"].append(dict(ID_P=gid, ID_GOODS=gid, NDS=nds, ZPRICE=zprice))
    t["PAYMENT"] = [dict(ID=1, GSMVO=0, CHECK=1), dict(ID=2, GSMVO=1, CHECK=2),
                    dict(ID=3, GSMVO=4, CHECK=3), dict(ID=4, GSMVO=10, CHECK=1)]
    doc = 0
    for n in range(1, shifts + 2):
        begin = BASE_TIME + dt.timedelta(hours=SHIFT_HOURS * (n - 1))
        for k in range(6):
            doc += 1
            when = begin + dt.timedelta(minutes=40 + 97 * k)
            pay = [1, 1, 2, 1, 3, 4][k]
            kind = 3 if k == 5 and n == 2 else 2
            t["DOCUMENTS"].append(dict(ID_DOC=doc, DATA=when, TYPE=kind, PAYMENT=0 if pay in (1, 4) else 1,
                                       CLIENTNUM=1, KKMNUM=2))
            t["SALEDOC"].append(dict(ID_DOC=doc, PAYMENT=pay,
                                     LNR_CARDNUM="7824000055556666" if pay == 3 else None))
            for gid in sorted(rnd.sample(range(1, 7), 1 + k % 3)):
                g = goods[gid - 1]
                count = float(rnd.randint(1, 3))
                t["GOODSMOTION"].append(dict(ID_DOC=doc, ID_P=gid, COUNT=count, RPRICE=g[5],
                                             ZPRICE=g[4], PPRICE=g[5], TYPE=kind))
    return t
