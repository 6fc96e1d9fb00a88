#!/usr/bin/env python3
"""tvprofile as a command: usage and exit codes, JSON that a strict UTF-8 parser takes, and plan
on a folder whose machine.reg is saved as regedit saves it by default (UTF-16 LE, version 5)."""
import json, os, re, shutil, subprocess, sys, tempfile

tvprofile, source = sys.argv[1], sys.argv[2]
scenarios = os.path.join(source, "tests", "e2e", "scenarios")
failures = []

def run(*args):
    p = subprocess.run([tvprofile, *args], capture_output=True)
    return p.returncode, p.stdout, p.stderr

def expect(what, ok):
    if not ok:
        failures.append(what)

for flag in ("--help", "-h", "help"):
    rc, out, _ = run(flag)
    expect(flag + ": usage on stdout, exit 0", rc == 0 and out.startswith(b"usage: tvprofile"))
rc, out, err = run("check", "--frob")
expect("unknown option named, exit 2", rc == 2 and err.startswith(b"tvprofile: unknown option --frob\nusage:"))
rc, out, _ = run("check", source)
expect("a directory as FILE: exit 2", rc == 2 and out.endswith(b"1 error, 0 warnings\n"))

with tempfile.TemporaryDirectory() as tmp:
    profile = os.path.join(tmp, "TVMuxDrv.ini")
    with open(profile, "wb") as f:
        f.write("[1]\r\nDevIDNum=1\r\nDevDrvID0=PCI\\VEN_1\r\nDevDrvSYS0=..\\vollständig\x01.sys\r\n".encode("cp1252"))
    rc, out, _ = run("check", "--json", profile)
    messages = " ".join(f["message"] for f in json.loads(out.decode("utf-8", errors="strict"))["findings"])
    expect("JSON of a Windows-1252 profile", rc == 1 and "..\\vollständig\x01.sys" in messages)
    rc, out, _ = run("check", profile)
    expect("text output ends in its summary", b"\x01" not in out and re.search(rb"\d+ errors?, \d+ warnings?\n$", out))

    # The REGEDIT4 file as regedit 5 writes it: its header, UTF-16 LE with a mark and CRLF, and
    # the text in hex(2) and hex(7) data as UTF-16 too.
    folder = os.path.join(tmp, "nt-xp-full")
    shutil.copytree(os.path.join(scenarios, "nt-xp-full"), folder)
    with open(os.path.join(folder, "machine.reg"), encoding="cp1252") as f:
        text = f.read().replace("\\\n", "")
    def widen(m):
        data = bytes(int(b, 16) for b in re.split(r",\s*", m.group(2).strip()) if b)
        return m.group(1) + ",".join("%02x" % b for b in data.decode("cp1252").encode("utf-16-le"))
    text = re.sub(r"(hex\([27]\):)([0-9a-fA-F, ]*)", widen, text)
    text = text.replace("REGEDIT4", "Windows Registry Editor Version 5.00", 1)
    with open(os.path.join(folder, "machine.reg"), "wb") as f:
        f.write(b"\xff\xfe" + text.replace("\n", "\r\n").encode("utf-16-le"))
    rc4, plan4, _ = run("plan", "--machine", os.path.join(scenarios, "nt-xp-full"))
    rc5, plan5, _ = run("plan", "--machine=" + folder)
    expect("the UTF-16 machine.reg's plan is the REGEDIT4 one's", rc4 == rc5 == 0 and plan4 == plan5 and len(plan4) > 0)
    with open(os.path.join(folder, "TVMuxDrv.ini"), "ab") as f:
        f.write(b"\r\n[49]\r\nUnInstDrvAppTitle=Deinstallation\r\nUnInstDrvPassMsg=Fertig.\r\n")
    _, plan49, _ = run("plan", "--machine", folder, "--country=49")
    expect("--country picks the section", plan49.splitlines()[-1].startswith(b"message Fertig.") and b"remove-device" not in plan49)
    with open(os.path.join(folder, "machine.reg"), "ab") as f:
        f.write("\"X\"=hex:0g\r\n".encode("utf-16-le"))
    rc, _, err = run("plan", "--machine", folder)
    expect("a bad line is named", rc == 2 and re.search(rb"machine\.reg:\d+: not a hex byte: \"X\"=hex:0g\n$", err))

rc, out, _ = run("plan", "--machine", os.path.join(scenarios, "warning-not-installed"))
expect("a run that stops: exit 3", rc == 3 and out.startswith(b"stop not-installed: "))

for f in failures:
    print("FAILED:", f)
sys.exit(1 if failures else 0)
