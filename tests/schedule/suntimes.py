#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# The sun's next crossings of an altitude, by PyEphem, for the station's
# own calendar to be checked against: "rise <unix seconds>|always|never"
# and "set ..." for a place and a moment in UTC.
import calendar
import sys

import ephem

lat, lon, when, altitude = sys.argv[1:5]
observer = ephem.Observer()
observer.lat, observer.lon = lat, lon
observer.date = ephem.Date(when.replace("T", " ").rstrip("Z"))
# The altitude already holds refraction and the sun's radius.
observer.pressure = 0
observer.horizon = altitude
sun = ephem.Sun()
for name, find in (("rise", observer.next_rising), ("set", observer.next_setting)):
    try:
        at = find(sun, use_center=True).datetime()
        print(name, calendar.timegm(at.utctimetuple()) + at.microsecond / 1e6)
    except ephem.AlwaysUpError:
        print(name, "always")
    except ephem.NeverUpError:
        print(name, "never")
