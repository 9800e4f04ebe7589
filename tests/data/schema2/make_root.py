# A data root with the shapes a network's archives hold, for the schema-3 database fixture.
import os, json
root = "root"
def w(folder, data):
    os.makedirs(os.path.join(root, folder), exist_ok=True)
    with open(os.path.join(root, folder, folder + "_archivio.txt"), "wb") as f:
        f.write(data)
alfa = b""
for i in range(40):
    h, m = divmod(i * 15, 60)
    alfa += b"05/12/2026 %02d:%02d:00;%s;%s;%s\r\n" % (h, m, str(1.5 + i * 0.1).encode()[:6],
            b"" if i % 7 == 3 else str(-2.25 - i).encode(), b"300" if i % 5 else b"0.000")
alfa += b"MEMORIA PIENA\r\n"
# the clock set back: a time the logger wrote before, with other values
alfa += b"05/12/2026 01:00:00;9;9;9\r\n05/12/2026 10:00:00;1e3;;\r\n"
w("Alfa", alfa)
beta = b"06/12/2026 01:00:00;10\r\nTEMP 21\xb0C\r\nrum\0ore\r\nNOTA\tC:\\dati\\\r\n06/12/2026 02:00:00;11\r\n"
w("Beta", beta)
gamma = b""
for i in range(5):
    gamma += b"07/12/2026 0%d:00:00" % i + b"".join(b";%d.%d" % (c, i) for c in range(20)) + b"\r\n"
w("Gamma", gamma)
w("Fonte 100%2", b"08/12/2026 00:00:00;-0.5;;\r\n08/12/2026 00:10:00;;;7\r\n")
def rep(name, res, start):
    return json.dumps({"start": start, "end": start, "station": 1, "name": name, "number": "1",
        "result": res, "attempts": 1, "new_lines": 3, "total_lines": 3, "complete": True,
        "battery": "12.60", "memory_possible": "5000", "memory_available": "4990",
        "clock_drift_s": -4, "clock_corrected": False, "error": "", "file": "",
        "folder": name, "archive": ""}) + "\n"
with open(os.path.join(root, "raccolta.jsonl"), "w") as f:
    f.write(rep("Alfa", "ok", "2026-12-05T02:00:00+01:00") + rep("Beta", "ok", "2026-12-06T02:00:00+01:00"))
