#!/usr/bin/python3
"""The GPS nominal sky worked out apart from the program: slots read from the table file,
circular orbits, the Earth turning from the table's epoch, WGS-84 east-north-up by hand.
Usage: gps_sky.py TABLE LATITUDE LONGITUDE HEIGHT YYYY-MM-DDTHH:MM:SS
Prints one line per slot, in table order: PRN, Earth-fixed X Y Z (metres), elevation and
azimuth (degrees)."""
import csv
import datetime
import math
import sys

MU = 3.986004418e14
OMEGA_EARTH = 7.2921151467e-5
A_ORBIT = 26559.7e3
INCLINATION = math.radians(55)
EPOCH = datetime.datetime(1993, 7, 1, tzinfo=datetime.timezone.utc)
GHA_EPOCH = math.radians((18 + 36 / 60 + 14.4 / 3600) * 15)
A_WGS84 = 6378137.0
F_WGS84 = 1 / 298.257223563


def main():
    table, lat, lon, height, when = sys.argv[1:6]
    lat, lon, height = math.radians(float(lat)), math.radians(float(lon)), float(height)
    t = datetime.datetime.fromisoformat(when).replace(tzinfo=datetime.timezone.utc)
    dt = (t - EPOCH).total_seconds()
    e2 = F_WGS84 * (2 - F_WGS84)
    n = A_WGS84 / math.sqrt(1 - e2 * math.sin(lat) ** 2)
    ship = ((n + height) * math.cos(lat) * math.cos(lon), (n + height) * math.cos(lat) * math.sin(lon),
            (n * (1 - e2) + height) * math.sin(lat))
    theta = GHA_EPOCH + OMEGA_EARTH * dt
    motion = math.sqrt(MU / A_ORBIT ** 3)
    with open(table) as f:
        rows = [r for r in csv.reader(line for line in f if not line.startswith('#'))][1:]
    for prn, (_, raan, arg) in enumerate(rows, start=1):
        u = math.radians(float(arg)) + motion * dt
        node = math.radians(float(raan)) - theta
        # In the orbit plane, then turned by the inclination and the node's longitude.
        xp, yp = A_ORBIT * math.cos(u), A_ORBIT * math.sin(u)
        x = xp * math.cos(node) - yp * math.cos(INCLINATION) * math.sin(node)
        y = xp * math.sin(node) + yp * math.cos(INCLINATION) * math.cos(node)
        z = yp * math.sin(INCLINATION)
        dx, dy, dz = x - ship[0], y - ship[1], z - ship[2]
        east = -math.sin(lon) * dx + math.cos(lon) * dy
        north = (-math.sin(lat) * math.cos(lon) * dx - math.sin(lat) * math.sin(lon) * dy + math.cos(lat) * dz)
        up = math.cos(lat) * math.cos(lon) * dx + math.cos(lat) * math.sin(lon) * dy + math.sin(lat) * dz
        elevation = math.degrees(math.atan2(up, math.hypot(east, north)))
        azimuth = math.degrees(math.atan2(east, north)) % 360
        print(prn, f"{x:.3f} {y:.3f} {z:.3f}", f"{elevation:.6f}", f"{azimuth:.6f}")


main()
