"""Independent vCard reader and writer for the vCard tests (python3-vobject).

  vobject-vcard-check.py dump   reads vCard data on standard input and prints
                                every card's fields as JSON
  vobject-vcard-check.py make   prints a vCard 3.0 card written by vobject

Exits with 77 when vobject is not installed.
"""
import json
import sys

try:
    import vobject
except ImportError:
    sys.exit(77)


def text(value):
    if isinstance(value, list):
        return ",".join(value)
    return value


def types(line):
    result = []
    for value in line.params.get("TYPE", []):
        result.extend(part.upper() for part in value.split(","))
    return result


def dump():
    data = sys.stdin.buffer.read().decode("utf-8")
    cards = []
    for card in vobject.readComponents(data):
        n = card.n.value
        entry = {
            "n": [text(n.family), text(n.given), text(n.additional), text(n.prefix), text(n.suffix)],
            "fn": card.fn.value,
            "org": card.org.value if "org" in card.contents else [],
            "title": card.title.value if "title" in card.contents else "",
            "adr": [],
            "tel": [],
            "email": [],
            "uid": card.uid.value if "uid" in card.contents else "",
            "x-abuid": card.contents["x-abuid"][0].value if "x-abuid" in card.contents else "",
        }
        for line in card.contents.get("adr", []):
            a = line.value
            entry["adr"].append({
                "types": types(line),
                "group": line.group or "",
                "street": text(a.street),
                "city": text(a.city),
                "region": text(a.region),
                "code": text(a.code),
                "country": text(a.country),
            })
        for line in card.contents.get("x-abadr", []):
            entry.setdefault("x-abadr", []).append({"group": line.group or "", "value": line.value})
        for name in ("tel", "email"):
            for line in card.contents.get(name, []):
                entry[name].append({"value": line.value, "types": types(line)})
        cards.append(entry)
    json.dump(cards, sys.stdout, ensure_ascii=False)


def make():
    card = vobject.vCard()
    card.add("n").value = vobject.vcard.Name(family="O'Brien; Fitzgerald", given="Anne, Marie",
                                             additional="Zo\u00eb", prefix="Dr.", suffix="III")
    card.add("fn").value = "Dr. Anne, Marie Zo\u00eb O'Brien; Fitzgerald III"
    card.add("org").value = ["B\u00e4ckerei & Konditorei \u00c6r\u00f8sk\u00f8bing Stra\u00dfe, "
                             "Zweigstelle N\u00fcrnberg-S\u00fcdost und Umgebung"]
    card.add("title").value = "Head of Shipping"
    adr = card.add("adr")
    adr.value = vobject.vcard.Address(street="Suite 5\n1 Main St", city="Springfield", region="IL",
                                      code="62701-1234", country="USA")
    adr.type_paramlist = ["HOME"]
    tel = card.add("tel")
    tel.value = "+1 217 555 0100"
    tel.type_paramlist = ["WORK"]
    tel = card.add("tel")
    tel.value = "(217) 555-0199"
    tel.type_paramlist = ["CELL", "PREF"]
    email = card.add("email")
    email.value = "anne@example.com"
    email.type_paramlist = ["INTERNET"]
    card.add("uid").value = "vobject-0001"
    sys.stdout.buffer.write(card.serialize().encode("utf-8"))


if __name__ == "__main__":
    {"dump": dump, "make": make}[sys.argv[1]]()
