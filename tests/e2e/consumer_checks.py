"""What Python's consumers make of the program's output, as JSON on standard output, for the
end-to-end tests (run with Debian's /usr/bin/python3, which has pynmea2 and geographiclib):

  consumer_checks.py lines FILE
      pynmea2 in strict mode (checksum required) over every line of FILE, read as a line reader
      reads it (split at LF, a CR before it dropped): one [taken, type, date] per line, where
      taken is whether pynmea2 parses it, type its sentence type and date an RMC's or ZDA's
      date as YYYY-MM-DD ("" for others).

  consumer_checks.py gpx FILE
      The points of a GPX 1.0 or 1.1 file's tracks, in order: [latitude, longitude, time].

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


def main():
    command, path = sys.argv[1], sys.argv[2]
    if command == "lines":
        result = lines(path)
    elif command == "gpx":
        result = track_points(path)
    elif command == "legs":
        result = legs(path, sys.argv[3:])
    else:
        sys.exit("unknown command " + command)
    json.dump(result, sys.stdout)


if __name__ == "__main__":
    main()
