#!/usr/bin/python3
"""Reads a burst file, one line per sentence: VERSION<TAB>STATE<TAB>SENTENCE, where STATE is
fix, nofix or dgps and the fix sentences report 54.5 N 1.25 W at 12:34:56.78. Parses every
sentence with pynmea2 in strict checksum mode and checks its field count for the version, the
state it reports, the position and time, and that each GSV group adds up.
Prints one line per fault; exits 1 if there was any."""
import datetime
import sys

import pynmea2

# Field counts without the talker and type, per type: (2.3, 4.10 and later); GSV apart.
FIELDS = {
    'RMC': (12, 13), 'GGA': (14, 14), 'GLL': (7, 7), 'VTG': (9, 9), 'ZDA': (6, 6),
    'GSA': (17, 18), 'GNS': (12, 13), 'GST': (8, 8), 'HDT': (2, 2),
}
TIME = datetime.time(12, 34, 56, 780000)


def check(version, state, line, groups):
    msg = pynmea2.parse(line, check=True)
    kind = msg.sentence_type
    later = version != '2.3'
    count = len(msg.data)
    if kind == 'GSV':
        blocks, extra = divmod(count - 3 - (1 if later else 0), 4)
        if extra or not 0 <= blocks <= 4:
            return f'{count} fields'
        key = (msg.talker, version, state)
        group = groups.setdefault(key, {'total': int(msg.num_messages), 'seen': 0, 'sats': 0,
                                        'in_view': int(msg.num_sv_in_view)})
        group['seen'] += 1
        group['sats'] += blocks
        if int(msg.msg_num) != group['seen']:
            return 'out of order'
        if int(msg.msg_num) == group['total']:
            del groups[key]
            if group['sats'] != group['in_view']:
                return f"{group['sats']} satellites listed, {group['in_view']} in view"
        return None
    if count != FIELDS[kind][1 if later else 0]:
        return f'{count} fields'
    fix = state != 'nofix'
    if hasattr(msg, 'timestamp') and msg.timestamp != TIME:
        return f'time {msg.timestamp}'
    if kind in ('RMC', 'GGA', 'GLL', 'GNS'):
        if fix and (abs(msg.latitude - 54.5) > 1e-6 or abs(msg.longitude + 1.25) > 1e-6):
            return 'position'
        if not fix and msg.lat != '':
            return 'a position without a fix'
    mode = {'fix': 'A', 'nofix': 'N', 'dgps': 'D'}[state]
    expected = {
        'RMC': lambda: (msg.status, 'A' if fix else 'V'), 'GLL': lambda: (msg.status, 'A' if fix else 'V'),
        'GGA': lambda: (msg.gps_qual, {'fix': 1, 'nofix': 0, 'dgps': 2}[state]),
        'GSA': lambda: (msg.mode_fix_type, '3' if fix else '1'), 'VTG': lambda: (msg.faa_mode, mode),
    }
    if kind in expected:
        reported, wanted = expected[kind]()
        if reported != wanted:
            return f'reports {reported!r}'
    if kind in ('RMC', 'GLL') and msg.data[11 if kind == 'RMC' else 6] != mode:
        return 'mode indicator'
    return None


def main():
    faults = 0
    groups = {}
    with open(sys.argv[1]) as lines:
        for number, text in enumerate(lines, start=1):
            version, state, line = text.rstrip('\n').split('\t')
            try:
                fault = check(version, state, line, groups)
            except Exception as error:  # pynmea2 raises several kinds
                fault = f'{type(error).__name__}: {error}'
            if fault:
                faults += 1
                print(f'line {number} ({version} {state}) {line}: {fault}')
    for key in groups:
        faults += 1
        print(f'GSV group {key} not finished')
    return 1 if faults else 0


sys.exit(main())
