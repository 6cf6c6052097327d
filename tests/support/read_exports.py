#!/usr/bin/env python3
"""Reads the files the program exports with readers the program did not write, and prints what they read as JSON,
for the tests to compare with the database field by field.

  read_exports.py vcard FILE     every card: {field: value}, from the fields the card names (X-QUORVANE-FIELD
                                 parameters and X-QUORVANE-<field> properties), read through python3-vobject
  read_exports.py csv FILE       the rows as Python's csv module reads them (the first is the header)
  read_exports.py ical FILE      every event: uid, start, end, summary, description, rule, alarm triggers
"""
import csv
import json
import sys

OWN = 'X-QUORVANE-'
FIELD = 'X-QUORVANE-FIELD'


def vcard_text(prop):
    value = prop.value
    if isinstance(value, list):  # a property the reader splits at its commas
        value = ','.join(value)
    return value


def components(prop):
    value = prop.value
    name = prop.name.upper()
    if name == 'N':
        return [value.family, value.given, value.additional, value.prefix, value.suffix]
    if name == 'ADR':
        return [value.box, value.extended, value.street, value.city, value.region, value.code, value.country]
    if name == 'ORG':
        return list(value)
    # vobject gives the other structured values unescaped and whole: their components hold no semicolon here
    return value.split(';')


def flat(x):
    return ' '.join(x) if isinstance(x, list) else x


def read_vcards(path):
    import vobject
    with open(path, encoding='utf-8', newline='') as f:
        text = f.read()
    cards = []
    for card in vobject.readComponents(text):
        fields = {}
        for prop in card.getChildren():
            name = prop.name.upper()
            if name.startswith(OWN):
                fields[name[len(OWN):]] = vcard_text(prop)
                continue
            if FIELD not in prop.params:
                continue
            columns = prop.params[FIELD][0].split(',')
            if len(columns) == 1:
                fields[columns[0]] = vcard_text(prop)
                continue
            for column, value in zip(columns, components(prop)):
                if column:
                    fields[column] = flat(value)
        cards.append(fields)
    return cards


def read_csv(path):
    with open(path, encoding='utf-8-sig', newline='') as f:
        return [row for row in csv.reader(f)]


def read_ical(path):
    import icalendar
    with open(path, 'rb') as f:
        calendar = icalendar.Calendar.from_ical(f.read())
    events = []
    for event in calendar.walk('VEVENT'):
        def when(key):
            value = event.get(key)
            return value.dt.isoformat() if value is not None else None
        rule = event.get('RRULE')
        events.append({
            'uid': str(event.get('UID')),
            'start': when('DTSTART'),
            'end': when('DTEND'),
            'summary': str(event.get('SUMMARY', '')),
            'description': str(event.get('DESCRIPTION', '')),
            'rule': rule.to_ical().decode() if rule is not None else None,
            'alarms': [str(alarm.get('TRIGGER').dt) for alarm in event.walk('VALARM')],
        })
    return events


def main():
    kind, path = sys.argv[1], sys.argv[2]
    result = {'vcard': read_vcards, 'csv': read_csv, 'ical': read_ical}[kind](path)
    json.dump(result, sys.stdout, ensure_ascii=False)


if __name__ == '__main__':
    main()
