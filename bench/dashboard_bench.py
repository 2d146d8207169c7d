#!/usr/bin/python3
"""The fleet dashboard with many stations on one Mosquitto (Debian's stock configuration with
ours, TLS WebSockets, the page from its http_dir), in headless Chromium, all on 127.0.0.1.
  bench/dashboard_bench.py [--stations 200] [--minutes 5] [--shots 1] [--build build]
Every station's strip changes its announcement every 5 s (an event and a status each time).
Prints: the page usable after login (every station's card with its state and status), a change
at a station to the page, a killed station shown offline after the broker sent its last will, a
command to every station answered, and the browser's memory while the thumbnails of the
stations in view refresh every minute (--minutes 30 for the long run)."""
import argparse, os, re, statistics, subprocess, sys, threading, time

parser = argparse.ArgumentParser()
parser.add_argument("--stations", type=int, default=200)
parser.add_argument("--minutes", type=float, default=5)
parser.add_argument("--build", default=None)
parser.add_argument("--shots", type=float, default=1, help="minutes between thumbnails")
args = parser.parse_args()
here = os.path.dirname(os.path.abspath(__file__))
os.environ.setdefault("VELUMO_SOURCE_DIR", os.path.dirname(here))
if args.build:
    os.environ["VELUMO_BUILD_DIR"] = os.path.abspath(args.build)
sys.path.insert(0, os.path.join(os.path.dirname(here), "tests", "dashboard"))
import rig  # noqa: E402
from rig import wait_for  # noqa: E402

N = args.stations


def load():
    return open("/proc/loadavg").read().split()[0]


def figures(values):
    values = sorted(values)
    return "median %.0f ms, max %.0f ms (%d)" % (statistics.median(values), values[-1], len(values))


def tree(pid):
    """Chromium's processes: every descendant of chromedriver."""
    children = {}
    for entry in os.listdir("/proc"):
        try:
            with open("/proc/%s/stat" % entry) as f:
                parent = int(f.read().rsplit(")", 1)[1].split()[1])
            children.setdefault(parent, []).append(int(entry))
        except (OSError, ValueError, IndexError):
            pass
    out, todo = [], [pid]
    while todo:
        p = todo.pop()
        out.append(p)
        todo += children.get(p, [])
    return out


def pss_mb(pids):
    """The proportional set size of the processes, by Chromium's process type."""
    kinds = {}
    for p in pids:
        try:
            with open("/proc/%d/cmdline" % p, "rb") as f:
                line = f.read()  # Chromium's children rewrite theirs: blanks, not NULs
            kind = re.search(rb"--type=([\w-]+)", line)
            kind = kind.group(1).decode() if kind else "browser"
            if b"chromedriver" in line.split(b"\0")[0]:
                kind = "driver"
            with open("/proc/%d/smaps_rollup" % p) as f:
                kb = sum(int(l.split()[1]) for l in f if l.startswith("Pss:"))
            kinds[kind] = kinds.get(kind, 0) + kb / 1024
        except OSError:
            pass
    return kinds


class OnlineWatch(threading.Thread):
    """When the broker sent each "online" message: an MQTT client of its own (mosquitto_sub)."""

    def __init__(self, broker):
        super().__init__(daemon=True)
        self.seen = []
        self.process = subprocess.Popen(
            ["mosquitto_sub", "-h", "127.0.0.1", "-p", str(broker.mqtt), "--cafile",
             broker.file("ca.crt"), "-u", "operator", "-P", "pw-operator", "-V", "mqttv5", "-v",
             "-t", "velumo/+/online"], stdout=subprocess.PIPE)
        self.start()

    def run(self):
        for line in self.process.stdout:
            self.seen.append((time.time() * 1000, line.decode().strip()))


def main():
    why = rig.missing()
    if why:
        sys.exit(why)
    names = ["bench%03d" % i for i in range(N)] + ["victim000"]
    broker = rig.Broker(names)
    broker.start()
    stations = rig.Stations(broker, "bench", N)
    # As on air: each strip's announcement changes every 5 s (an event and a new status).
    stations.send("announce 5000")
    victim = rig.Stations(broker, "victim", 1)
    # gc() before each memory sample: what is held, not what waits for a collection.
    driver = rig.browser(broker, size="1920,2160", extra=["--js-flags=--expose-gc"])
    driver.set_script_timeout(120)
    try:
        watch = OnlineWatch(broker)
        assert wait_for(lambda: sum(l.endswith(" 1") for _, l in watch.seen) >= N + 1, 120), \
            "not every station came online"
        time.sleep(2)
        status = subprocess.run(
            ["mosquitto_sub", "-h", "127.0.0.1", "-p", str(broker.mqtt), "--cafile",
             broker.file("ca.crt"), "-u", "operator", "-P", "pw-operator", "-C", "1", "-t",
             "velumo/bench000/status"], stdout=subprocess.PIPE, timeout=10).stdout
        print("%d stations online on one broker, a retained status of %d bytes each; load %s"
              % (N + 1, len(status), load()))

        # Login to a usable page: every card with its state and status.
        driver.get(broker.page("?screenshots=%g" % args.shots))
        driver.find_element("id", "broker").send_keys(broker.address())
        driver.find_element("id", "user").send_keys("operator")
        driver.find_element("id", "password").send_keys("pw-operator")
        usable = driver.execute_async_script("""
            var done = arguments[1], t0 = performance.now();
            document.getElementById('login-button').click();
            (function poll() {
                var n = document.querySelectorAll('.card.has-status.state-online').length;
                if (n >= arguments[0]) done(performance.now() - t0); else setTimeout(poll, 5);
            })();""".replace("arguments[0]", str(N + 1)), N + 1)
        print("page usable after login: %.0f ms (target 2000 ms; %d cards); load %s"
              % (usable, N + 1, load()))

        # A change at a station (its dispatcher starts a line) to the page.
        driver.execute_script("""window.benchSeen = {};
            new MutationObserver(function (records) {
                records.forEach(function (r) {
                    var node = r.target.nodeType === 1 ? r.target : r.target.parentElement;
                    var m = /mark-(\\d+)/.exec(node.textContent);
                    if (m && !benchSeen[m[1]]) benchSeen[m[1]] = Date.now();
                });
            }).observe(document.getElementById('grid'), {subtree: true, childList: true,
                                                         characterData: true});""")
        sent = {}
        for k in range(20):
            sent[k] = time.time() * 1000
            stations.send("onair %d 12:00:00 k1 mark-%d" % (k * 7 % N, k))
            time.sleep(0.5)
        assert wait_for(lambda: len(driver.execute_script("return benchSeen")) == 20, 10)
        seen = driver.execute_script("return benchSeen")
        print("a change at a station to the page: %s (the station settles its status %d ms "
              "first); load %s" % (figures([seen[str(k)] - sent[k] for k in sent]), 200, load()))

        # A killed station: from the broker's last will to the page showing it offline.
        delays = []
        for round_ in range(5):
            driver.execute_script("""window.benchOffline = 0;
                var card = document.querySelector('.card[data-station="victim000"]');
                new MutationObserver(function (m, o) {
                    if (card.classList.contains('state-offline')) {
                        benchOffline = Date.now(); o.disconnect(); }
                }).observe(card, {attributes: true});""")
            before = len(watch.seen)
            victim.kill()
            assert wait_for(lambda: driver.execute_script("return benchOffline"), 10)
            will = [t for t, l in watch.seen[before:] if l == "velumo/victim000/online 0"][0]
            delays.append(driver.execute_script("return benchOffline") - will)
            victim.start()
            assert wait_for(lambda: rig.card_state(driver, "victim000") == "online", 30)
        print("a killed station shown offline after the broker's last will: %s (target 1000 ms)"
              % figures(delays))

        # One command to every station.
        driver.find_element("id", "pick-shown").click()
        driver.find_element("css selector", '#bulk-command option[value="ticker stop"]').click()
        driver.find_element("id", "bulk-send").click()
        answered = driver.execute_async_script("""
            var done = arguments[1], t0 = performance.now();
            document.getElementById('confirm-yes').click();
            (function poll() {
                var n = document.querySelectorAll('#bulk-rows tr.done').length;
                if (n >= arguments[0]) done(performance.now() - t0);
                else if (performance.now() - t0 > 30000) done(-n);
                else setTimeout(poll, 5);
            })();""".replace("arguments[0]", str(N + 1)), N + 1)
        print("a command to all %d stations answered in %.0f ms (target 10000 ms); load %s"
              % (N + 1, answered, load()))
        driver.find_element("id", "bulk-close").click()

        # The browser's memory while the thumbnails in view refresh every minute.
        shown = driver.execute_script(
            "return Array.prototype.filter.call(document.querySelectorAll('.card'), function (c) {"
            "var r = c.getBoundingClientRect(); return r.bottom > 0 && r.top < innerHeight;"
            "}).length")
        print("memory over %.0f minutes, %d stations in view, a thumbnail each %g minutes:"
              % (args.minutes, shown, args.shots))
        start = time.time()
        samples = []
        while True:
            minute = (time.time() - start) / 60
            driver.execute_script("gc()")
            heap = driver.execute_script("return performance.memory.usedJSHeapSize") / 2**20
            fresh = driver.execute_script("""var now = new Date(), n = 0;
                document.querySelectorAll('.has-thumb canvas').forEach(function (c) {
                    var t = /(\\d+):(\\d+):(\\d+)/.exec(c.title), d = new Date(now);
                    if (t) { d.setHours(+t[1], +t[2], +t[3]); if (now - d < 90000) n++; }
                }); return n;""")
            kinds = pss_mb(tree(driver.service.process.pid))
            total = sum(v for k, v in kinds.items() if k != "driver")
            samples.append((minute, total, heap))
            print("  %5.1f min: browser %.0f MB (%s), JS heap %.1f MB, %d thumbnails of the last "
                  "90 s; load %s" % (minute, total, ", ".join(
                      "%s %.0f" % kv for kv in sorted(kinds.items()) if kv[0] != "driver"),
                      heap, fresh, load()), flush=True)
            if minute >= args.minutes:
                break
            time.sleep(60)
        if len(samples) > 3:
            settled = samples[2:]
            print("growth from minute %.0f to the end: browser %+.1f MB, JS heap %+.1f MB"
                  % (settled[0][0], settled[-1][1] - settled[0][1],
                     settled[-1][2] - settled[0][2]))
    finally:
        rig.close_browser(driver)
        for s in (stations, victim):
            s.stop()
        broker.stop()


if __name__ == "__main__":
    main()
