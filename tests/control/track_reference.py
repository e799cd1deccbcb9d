#!/usr/bin/env python3
"""Reference numbers for the TCB and Bezier cases of track_test.cpp.

Written from the rules of the tracks (Kochanek-Bartels tangents with their time factors and end
tangents, ease, the TCB rotation's relative keys, logarithms, intermediate quaternions and
spherical quadrangle, the Bezier tangent types), not from the C++, and computed in double: the
player computes in float, so the tests compare within a tolerance.

Run: python3 tests/control/track_reference.py, and paste what it prints into the tests.
"""

import math


# --- Shared ------------------------------------------------------------------------------------


def ease(u, a, b):
    if a + b == 0.0:
        return u
    if a + b > 1.0:
        a, b = a / (a + b), b / (a + b)
    k = 1.0 / (2.0 - a - b)
    if u < a:
        return k / a * u * u
    if u < 1.0 - b:
        return k * (2.0 * u - a)
    return 1.0 - (k / b) * (1.0 - u) ** 2


def hermite(s, p0, m0, p1, m1):
    h00 = 2 * s**3 - 3 * s**2 + 1
    h10 = s**3 - 2 * s**2 + s
    h01 = 3 * s**2 - 2 * s**3
    h11 = s**3 - s**2
    return h00 * p0 + h10 * m0 + h01 * p1 + h11 * m1


def time_factors(tp, tc, tn, continuity):
    h = 0.5 * (tn - tp)
    fp = (tc - tp) / h
    fn = (tn - tc) / h
    c = abs(continuity)
    return fp + c - c * fp, fn + c - c * fn


def weights(tension, continuity, bias):
    tm = 0.5 * (1 - tension)
    cm = 1 - continuity
    cp = 2 - cm
    bm = 1 - bias
    bp = 2 - bm
    return tm, cm, cp, bm, bp


def segment(times, t):
    for i in range(len(times) - 1):
        if t <= times[i + 1]:
            return i
    return len(times) - 2


# --- Float TCB ---------------------------------------------------------------------------------

# time, value, bias, continuity, tension, ease from, ease to
TCB_KEYS = [
    (0, 0, 0, 0, 0.2, 0, 0),
    (100, 10, -0.25, 0.3, 0.2, 0.3, 0),
    (400, -5, 0.6, -0.4, -0.3, 0.8, 0.5),
    (500, 20, 0, 0, 0.5, 0, 0.6),
]


def tcb_tangents(keys):
    n = len(keys)
    t = [k[0] for k in keys]
    v = [k[1] for k in keys]
    out = [0.0] * n
    inc = [0.0] * n
    if n == 2:
        out[0] = (v[1] - v[0]) * (1 - keys[0][4])
        inc[1] = (v[1] - v[0]) * (1 - keys[1][4])
        return out, inc
    for c in range(1, n - 1):
        _, _, bias, cont, tens, _, _ = keys[c]
        fp, fn = time_factors(t[c - 1], t[c], t[c + 1], cont)
        tm, cm, cp, bm, bp = weights(tens, cont, bias)
        dm = v[c] - v[c - 1]
        dp = v[c + 1] - v[c]
        inc[c] = tm * cm * bp * fp * dm + tm * cp * bm * fp * dp
        out[c] = tm * cp * bp * fn * dm + tm * cm * bm * fn * dp
    a = v[2] - v[0]
    d = v[1] - v[0]
    out[0] = ((0.25 - (t[1] - t[0]) / (2 * (t[2] - t[0])) + 0.5) * a + 1.5 * (d - 0.5 * a)) * (
        1 - keys[0][4])
    last = n - 1
    a = v[last] - v[last - 2]
    d = v[last] - v[last - 1]
    inc[last] = ((0.25 - (t[last] - t[last - 1]) / (2 * (t[last] - t[last - 2])) + 0.5) * a +
                 1.5 * (d - 0.5 * a)) * (1 - keys[last][4])
    return out, inc


def tcb_value(keys, tangents, time):
    out, inc = tangents
    t = [k[0] for k in keys]
    if time <= t[0]:
        return keys[0][1]
    if time >= t[-1]:
        return keys[-1][1]
    i = segment(t, time)
    s = (time - t[i]) / (t[i + 1] - t[i])
    u = ease(s, keys[i][5], keys[i + 1][6])
    return hermite(u, keys[i][1], out[i], keys[i + 1][1], inc[i + 1])


# --- Rotation TCB ------------------------------------------------------------------------------


def qmul(a, b):
    ax, ay, az, aw = a
    bx, by, bz, bw = b
    return (aw * bx + ax * bw + ay * bz - az * by, aw * by - ax * bz + ay * bw + az * bx,
            aw * bz + ax * by - ay * bx + az * bw, aw * bw - ax * bx - ay * by - az * bz)


def qexp(v):
    theta = math.sqrt(sum(c * c for c in v))
    s = math.sin(theta)
    k = 1.0 if abs(s) < 0.001 else s / theta
    return (k * v[0], k * v[1], k * v[2], math.cos(theta))


def slerp_no_flip(q0, q1, s):
    c = sum(a * b for a, b in zip(q0, q1))
    if 1 - c < 1e-6:
        w0, w1 = 1 - s, s
    else:
        theta = math.acos(max(-1.0, c))
        st = math.sin(theta)
        if st == 0:
            st = 0.0001
        w0 = math.sin((1 - s) * theta) / st
        w1 = math.sin(s * theta) / st
    return tuple(w0 * a + w1 * b for a, b in zip(q0, q1))


def normalised(axis):
    length = math.sqrt(sum(c * c for c in axis))
    return tuple(c / length for c in axis)


# time, axis, angle, bias, continuity, tension, ease from, ease to. Each key turns on from the
# previous one; the axes are given unit length.
ROTATION_KEYS = [
    (0, (0, 0, 1), 0.3, 0.2, 0.1, 0.4, 0.25, 0),
    (100, normalised((1, 0, 1)), 1.1, -0.3, 0.2, 0.1, 0.2, 0.3),
    (350, (0, 1, 0), 4.0, 0.5, -0.3, -0.2, 0, 0.4),
    (400, normalised((1, 2, 2)), 0.8, 0, 0.4, 0.3, 0, 0.5),
]


def rotation_prepare(raw):
    keys = []
    for time, axis, angle, bias, cont, tens, ease_from, ease_to in raw:
        if angle < 0:
            angle, axis = -angle, tuple(-c for c in axis)
        turns = math.floor(angle / (2 * math.pi))
        angle -= turns * 2 * math.pi
        q = tuple(c * math.sin(angle / 2) for c in axis) + (math.cos(angle / 2),)
        keys.append(dict(time=time, axis=axis, angle=angle, turns=turns, q=q, bias=bias,
                         cont=cont, tens=tens, ease_from=ease_from, ease_to=ease_to))
    for k in range(1, len(keys)):
        keys[k]["q"] = qmul(keys[k - 1]["q"], keys[k]["q"])
    quadrangle = all(k["turns"] == 0 and k["angle"] <= 6.265732 for k in keys[1:])

    def log_length(key):
        if key["turns"] != 0:
            return math.pi / 2
        half = key["angle"] / 2
        return half - math.pi if half >= math.pi / 2 else half

    n = len(keys)
    for i, c in enumerate(keys):
        has_p, has_n = i > 0, i < n - 1
        lp = tuple(log_length(c) * a for a in c["axis"])
        ln = tuple(log_length(keys[i + 1]) * a for a in keys[i + 1]["axis"]) if has_n else None
        if not has_p:
            lp = ln
        if not has_n:
            ln = lp
        fp = fn = 1.0
        if has_p and has_n:
            fp, fn = time_factors(keys[i - 1]["time"], c["time"], keys[i + 1]["time"], c["cont"])
        tm, cm, cp, bm, bp = weights(c["tens"], c["cont"], c["bias"])
        a_log = tuple(((tm * cm * bm * fn - 1) * n_ + tm * cp * bp * fn * p_) / 2
                      for p_, n_ in zip(lp, ln))
        b_log = tuple(((1 - tm * cm * bp * fp) * p_ - tm * cp * bm * fp * n_) / 2
                      for p_, n_ in zip(lp, ln))
        c["outgoing"] = qmul(c["q"], qexp(a_log))
        c["incoming"] = qmul(c["q"], qexp(b_log))
    return keys, quadrangle


def rotation_value(keys, time):
    if time <= keys[0]["time"]:
        return keys[0]["q"]
    if time >= keys[-1]["time"]:
        return keys[-1]["q"]
    i = segment([k["time"] for k in keys], time)
    a, b = keys[i], keys[i + 1]
    s = (time - a["time"]) / (b["time"] - a["time"])
    u = ease(s, a["ease_from"], b["ease_to"])
    ends = slerp_no_flip(a["q"], b["q"], u)
    handles = slerp_no_flip(a["outgoing"], b["incoming"], u)
    return slerp_no_flip(ends, handles, 2 * u * (1 - u))


# --- Bezier ------------------------------------------------------------------------------------

SMOOTH, LINEAR, STEP, FAST, SLOW, CUSTOM = range(6)


class Bezier:
    def __init__(self, keys):  # time, value, in type, out type
        self.t = [k[0] for k in keys]
        self.v = [k[1] for k in keys]
        self.in_type = [k[2] for k in keys]
        self.out_type = [k[3] for k in keys]
        self.n = len(keys)
        self.in_slope = [0.0] * self.n
        self.out_slope = [0.0] * self.n
        self.prepare()

    def raw_dt(self, a, b):
        if b > a:
            return self.t[b] - self.t[a]
        return self.t[-1] + (self.t[b] - self.t[0]) - self.t[a]

    def dt(self, a, b):
        d = self.raw_dt(a, b)
        return 1.0 if d == 0 else d

    def smooth_in(self, i):
        v = self.v
        if i == 1:
            if self.n == 2:
                self.out_slope[1] = 0.0
            return (v[0] - v[1]) / self.dt(0, 1)
        d1 = self.dt(i - 1, i)
        d0 = self.dt(i - 2, i - 1)
        k = d0 / (d1 + d0)
        self.out_slope[self.n - 1] = 0.0
        return -((v[i - 1] - v[i - 2]) * (k - 1) / d0 + (2 - k) / d1 * (v[i] - v[i - 1]))

    def smooth_out(self, i):
        v = self.v
        if i == self.n - 2:
            return (v[i + 1] - v[i]) / self.dt(i, i + 1)
        d0 = self.dt(i, i + 1)
        d1 = self.dt(i + 1, i + 2)
        k = d0 / (d0 + d1)
        if i == 0:
            self.in_slope[0] = 0.0
        return (v[i + 1] - v[i]) * (k + 1) / d0 - (v[i + 2] - v[i + 1]) * k / d1

    def prepare(self):
        n, v = self.n, self.v
        last = n - 1
        for i in range(n):
            prev = last if i == 0 else i - 1
            nxt = 0 if i == last else i + 1
            if self.in_type[i] == LINEAR:
                if i == 0 or self.out_type[prev] == LINEAR:
                    self.in_slope[i] = (v[prev] - v[i]) / self.dt(prev, i)
                else:
                    self.in_slope[i] = self.smooth_in(i)
            elif self.in_type[i] in (STEP, SLOW):
                self.in_slope[i] = 0.0
            elif self.in_type[i] == FAST:
                self.in_slope[i] = (v[prev] - v[i]) * 2 / self.dt(prev, i)
            if self.out_type[i] == LINEAR:
                if i == last or self.in_type[nxt] == LINEAR:
                    self.out_slope[i] = (v[nxt] - v[i]) / self.dt(i, nxt)
                else:
                    self.out_slope[i] = self.smooth_out(i)
            elif self.out_type[i] in (STEP, SLOW):
                self.out_slope[i] = 0.0
            elif self.out_type[i] == FAST:
                self.out_slope[i] = (v[nxt] - v[i]) * 2 / self.dt(i, nxt)
            if SMOOTH not in (self.in_type[i], self.out_type[i]):
                continue
            dp, dn = self.raw_dt(prev, i), self.raw_dt(i, nxt)
            if 0 < i < last and dp != 0 and dn != 0:
                if self.in_type[i] == SMOOTH and self.out_type[i] == SMOOTH:
                    k = dp / (dn + dp)
                    g = (v[nxt] - v[i]) * k / dn + (v[i] - v[prev]) * (1 - k) / dp
                    self.in_slope[i], self.out_slope[i] = -g, g
                elif self.out_type[i] == SMOOTH:
                    self.out_slope[i] = 0.0 if self.in_type[i] == STEP else -self.in_slope[i]
                else:
                    self.in_slope[i] = 0.0 if self.out_type[i] == STEP else -self.out_slope[i]
            else:
                if self.out_type[i] == SMOOTH:
                    self.out_slope[i] = self.smooth_out(0) if i == 0 else 0.0
                if self.in_type[i] == SMOOTH:
                    self.in_slope[i] = self.smooth_in(last) if i == last else 0.0

    def value(self, time):
        t, v = self.t, self.v
        if time <= t[0]:
            return v[0]
        if time >= t[-1]:
            return v[-1]
        i = segment(t, time)
        s = (time - t[i]) / (t[i + 1] - t[i])
        if self.in_type[i + 1] == STEP or self.out_type[i] == STEP:
            return v[i + 1] if s == 1 else v[i]
        dt = self.dt(i, i + 1)
        c0 = v[i] + dt / 3 * self.out_slope[i]
        c1 = v[i + 1] + dt / 3 * self.in_slope[i + 1]
        return ((1 - s)**3 * v[i] + 3 * s * (1 - s)**2 * c0 + 3 * s * s * (1 - s) * c1 +
                s**3 * v[i + 1])


# (time, value, in type, out type)
BEZIER_MIXED = [
    (0, 0, LINEAR, LINEAR),
    (100, 10, LINEAR, STEP),
    (250, 4, LINEAR, SMOOTH),  # linear in after a step: the smooth in slope; out follows it
    (300, 9, SMOOTH, LINEAR),  # linear out before a fast in: the smooth out slope; in follows
    (420, 2, FAST, STEP),
    (470, 6, STEP, SMOOTH),  # smooth out after a step in: flat
    (600, 1, SMOOTH, SLOW),
]
BEZIER_TWO = [(0, 2, FAST, SMOOTH), (80, 6, SMOOTH, FAST)]
BEZIER_THREE = [(0, 2, FAST, SMOOTH), (80, 6, LINEAR, LINEAR), (200, 3, SMOOTH, FAST)]


def g(x):
    return "%.9g" % x


if __name__ == "__main__":
    tangents = tcb_tangents(TCB_KEYS)
    print("// float TCB: out, in tangents per key")
    for k in range(len(TCB_KEYS)):
        print(f"{{{g(tangents[0][k])}f, {g(tangents[1][k])}f}},")
    print("// float TCB: time, value")
    for time in (30, 70, 130, 250, 370, 420, 480):
        print(f"{{{time}, {g(tcb_value(TCB_KEYS, tangents, time))}f}},")

    keys, quadrangle = rotation_prepare(ROTATION_KEYS)
    print("// rotation TCB: quadrangle path", quadrangle)
    for k in keys:
        print("// key", k["time"], "q", [g(c) for c in k["q"]])
    print("// rotation TCB: time, x, y, z, w")
    for time in (40, 80, 150, 300, 375):
        q = rotation_value(keys, time)
        print(f"{{{time}, {{{g(q[0])}f, {g(q[1])}f, {g(q[2])}f, {g(q[3])}f}}}},")

    for name, rows, times in (("mixed", BEZIER_MIXED, (50, 150, 270, 330, 400, 450, 500, 560)),
                              ("two keys", BEZIER_TWO, (20, )), ("three keys", BEZIER_THREE,
                                                                 (30, 150))):
        track = Bezier(rows)
        print(f"// Bezier {name}: in slope, out slope per key")
        for i in range(track.n):
            print(f"{{{g(track.in_slope[i])}f, {g(track.out_slope[i])}f}},")
        print(f"// Bezier {name}: time, value")
        for time in times:
            print(f"{{{time}, {g(track.value(time))}f}},")
