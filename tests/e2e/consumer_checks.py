"""What Python's consumers make of the program's output, as JSON on standard output, for the
end-to-end tests (run with Debian's /usr/bin/python3, which has pynmea2 and geographiclib):

  consumer_checks.py lines FILE
      pynmea2 in strict mode (checksum required) over every line of FILE, read as a line reader
      reads it (split at LF, a CR before it dropped): one [taken, type, date] per line, where
      taken is whether pynmea2 parses it, type its sentence type and date an RMC's or ZDA's
      date as YYYY-MM-DD ("" for others).

  consumer_checks.py gpx FILE
      The points of a GPX 1.0 or 1.1 file's tracks, in order: [latitude, longitude, time].

  consumer_checks.py crossing FILE MMSI LAT LON COURSE KNOTS
      The AIS target MMSI in the NMEA file FILE as gpsdecode decodes it, against the own ship's
      RMC fixes and the track the target was given (from LAT LON at the first fix, on COURSE at
      KNOTS): {"reports": n, "off_track_m": the largest distance of a reported position from
      that track at the report's second, "closest_m": the closest approach of a reported
      position to the own ship's fix of the same second, "closest_at": its time hhmmss}.

  consumer_checks.py legs FILE LAT LON LAT LON ...
      How far each track point of the GPX file FILE lies from the nearest leg of the route
      through the given points (geodesics on WGS-84, GeographicLib): {"points": n,
      "farthest_m": metres, "farthest": [lat, lon]}.
"""

import json
import math
import sys
import xml.etree.ElementTree as ElementTree



def lines(path):
    import pynmea2
    read = []
    for raw in open(path, "rb").read().split(b"\n"):
        text = raw.decode("latin-1")
        if text.endswith("\r"):
            text = text[:-1]
        if not text:
            continue
        try:
            sentence = pynmea2.parse(text, check=True)
        except Exception:
            read.append([False, "", ""])
            continue
        date = ""
        if sentence.sentence_type == "RMC" and sentence.datestamp is not None:
            date = sentence.datestamp.isoformat()
        elif sentence.sentence_type == "ZDA" and sentence.year:
            date = "%04d-%02d-%02d" % (int(sentence.year), int(sentence.month), int(sentence.day))
        read.append([True, sentence.sentence_type, date])
    return read


def track_points(path):
    """GPX 1.0 (GPSBabel's own) or 1.1 (the program's)."""
    points = []
    for point in ElementTree.parse(path).getroot().iter():
        if point.tag.rsplit("}", 1)[-1] != "trkpt":
            continue
        times = [child.text for child in point if child.tag.rsplit("}", 1)[-1] == "time"]
        points.append([float(point.get("lat")), float(point.get("lon")), times[0] if times else ""])
    return points


def distance_to_leg(geodesic, start, end, point):
    """The shortest geodesic distance in metres from point to the geodesic from start to end:
    Newton's steps along the leg to the foot of the perpendicular (Karney's intercept), kept to
    the leg's ends."""
    leg = geodesic.InverseLine(start[0], start[1], end[0], end[1])
    s = 0.0
    for _ in range(20):
        at = leg.Position(s)
        towards = geodesic.Inverse(at["lat2"], at["lon2"], point[0], point[1])
        step = towards["s12"] * math.cos(math.radians(towards["azi1"] - at["azi2"]))
        before, s = s, min(max(s + step, 0.0), leg.s13)
        if abs(s - before) < 1e-3:
            break
    at = leg.Position(s)
    return geodesic.Inverse(at["lat2"], at["lon2"], point[0], point[1])["s12"]


def legs(path, numbers):
    from geographiclib.geodesic import Geodesic
    route = [(float(numbers[i]), float(numbers[i + 1])) for i in range(0, len(numbers), 2)]
    farthest, where = 0.0, None
    points = track_points(path)
    for point in points:
        off = min(distance_to_leg(Geodesic.WGS84, route[i], route[i + 1], point) for i in range(len(route) - 1))
        if off >= farthest:
            farthest, where = off, point[:2]
    return {"points": len(points), "farthest_m": farthest, "farthest": where}


def crossing(path, mmsi, lat, lon, course, knots):
    import subprocess
    from geographiclib.geodesic import Geodesic
    own, times, ais, first = {}, [], [], None
    for raw in open(path, "rb").read().split(b"\r\n"):
        line = raw.decode("latin-1")
        if line.startswith("$") and line[3:6] == "RMC":
            fields = line.split("*")[0].split(",")
            second = int(fields[1][0:2]) * 3600 + int(fields[1][2:4]) * 60 + int(fields[1][4:6])
            first = second if first is None else first
            latitude = int(fields[3][:2]) + float(fields[3][2:]) / 60
            longitude = int(fields[5][:3]) + float(fields[5][3:]) / 60
            own[second] = (-latitude if fields[4] == "S" else latitude, -longitude if fields[6] == "W" else longitude)
        elif line.startswith("!AIVDM") and second is not None:
            ais.append(line)
            if line.split(",")[1] == line.split(",")[2]:
                times.append(second)
    decoded = subprocess.run(["gpsdecode", "-s", "-j"], input=("\r\n".join(ais) + "\r\n").encode(),
                             capture_output=True, check=True).stdout.decode().splitlines()
    reports, off_track, closest = 0, 0.0, (float("inf"), 0)
    for text, second in zip(decoded, times):
        message = json.loads(text)
        if message.get("mmsi") != int(mmsi) or "lat" not in message:
            continue
        reports += 1
        run = float(knots) * 1852 / 3600 * (second - first)
        given = Geodesic.WGS84.Direct(float(lat), float(lon), float(course), run)
        off_track = max(off_track, Geodesic.WGS84.Inverse(given["lat2"], given["lon2"], message["lat"],
                                                          message["lon"])["s12"])
        apart = Geodesic.WGS84.Inverse(own[second][0], own[second][1], message["lat"], message["lon"])["s12"]
        closest = min(closest, (apart, second))
    at = closest[1]
    return {"reports": reports, "off_track_m": off_track, "closest_m": closest[0],
            "closest_at": "%02d%02d%02d" % (at // 3600, at // 60 % 60, at % 60)}


def main():
    command, path = sys.argv[1], sys.argv[2]
    if command == "lines":
        result = lines(path)
    elif command == "gpx":
        result = track_points(path)
    elif command == "crossing":
        result = crossing(path, *sys.argv[3:8])
    elif command == "legs":
        result = legs(path, sys.argv[3:])
    else:
        sys.exit("unknown command " + command)
    json.dump(result, sys.stdout)


if __name__ == "__main__":
    main()
