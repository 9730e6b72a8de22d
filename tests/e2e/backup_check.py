"""A backup folder read by independent parsers: every checksum of the
manifest matches its file, the vCards read in vobject and the calendar in
icalendar hold the counts the manifest gives. backup_check.py <folder>;
prints what differs, exit 1 then, 77 when the parsers are missing."""
import hashlib
import os
import sys

try:
    import icalendar
    import vobject
except ImportError as e:
    print(f"skipped: {e}")
    sys.exit(77)

folder = sys.argv[1]
values, sums, failures = {}, {}, []
with open(os.path.join(folder, "manifest.txt"), encoding="utf-8") as f:
    for line in f.read().splitlines()[1:]:
        key, _, value = line.partition("=")
        (sums if key.startswith("sha256:") else values)[key.removeprefix("sha256:")] = value
for name, digest in sums.items():
    with open(os.path.join(folder, name), "rb") as f:
        if hashlib.sha256(f.read()).hexdigest() != digest:
            failures.append(f"{name}: checksum differs")
for name in sums:
    if name.endswith(".vcf"):
        with open(os.path.join(folder, name), encoding="utf-8") as f:
            cards = list(vobject.readComponents(f.read()))
        with open(os.path.join(folder, name.replace(".vcf", ".txt")), encoding="cp1251") as f:
            whole = [l for l in f.read().splitlines() if "=" in l and l.rsplit("=", 1)[0] and l.rsplit("=", 1)[1]]
        if len(cards) != len(whole):
            failures.append(f"{name}: {len(cards)} cards, {len(whole)} entries with name and number")
        for card, line in zip(cards, whole):
            if card.fn.value != line.rsplit("=", 1)[0] or card.tel.value != line.rsplit("=", 1)[1]:
                failures.append(f"{name}: {card.fn.value}/{card.tel.value} is not {line}")
if "datebook.ics" in sums:
    with open(os.path.join(folder, "datebook.ics"), "rb") as f:
        events = icalendar.Calendar.from_ical(f.read()).walk("VEVENT")
    if str(len(events)) != values.get("Events"):
        failures.append(f"datebook.ics: {len(events)} events, manifest {values.get('Events')}")
print("\n".join(failures))
sys.exit(1 if failures else 0)
