"""The dashboard's neighbours, all real and all on 127.0.0.1: Mosquitto started from Debian's
stock mosquitto.conf with data/mosquitto's files included from its conf.d (only paths and ports
are the rig's), serving the page's files from its http_dir; stations (the program under Xvfb,
and fleet links in the helper fleet_stations); Chromium driven by chromedriver. Shared by the
tests and bench/dashboard_bench.py."""
import base64, os, shutil, signal, socket, subprocess, tempfile, time, unittest

SOURCE = os.environ.get("VELUMO_SOURCE_DIR", os.path.dirname(os.path.dirname(os.path.dirname(
    os.path.abspath(__file__)))))
BUILD = os.environ.get("VELUMO_BUILD_DIR", os.path.join(SOURCE, "build"))
HELPER = os.path.join(BUILD, "tests", "dashboard", "fleet_stations")


def need(test, ok, why):
    """A missing tool fails the run where skips are not allowed (tools/run-tests.sh)."""
    if ok:
        return
    if os.environ.get("VELUMO_FAIL_ON_SKIP") == "1":
        test.fail(why + " (a missing install step)")
    raise unittest.SkipTest(why)


def missing():
    for tool in ("mosquitto", "mosquitto_passwd", "openssl", "chromium", "chromedriver", "Xvfb"):
        if not shutil.which(tool) and not os.path.exists("/usr/sbin/" + tool):
            return tool + " is not installed"
    try:
        import selenium  # noqa: F401
    except ImportError:
        return "python3-selenium is not installed"
    if not os.path.exists(os.path.join(BUILD, "dashboard", "mqtt.min.js")):
        return "MQTT.js is missing: tools/fetch-mqttjs.sh build/dashboard"
    return ""


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for(predicate, timeout_s, step_s=0.05):
    end = time.time() + timeout_s
    while time.time() < end:
        value = predicate()
        if value:
            return value
        time.sleep(step_s)
    return predicate()


def read(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        return f.read()


def write(path, text):
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


def run(*args, cwd=None):
    subprocess.run(args, cwd=cwd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


class Broker:
    """Accounts: operator and the stations named; each password is "pw-" + the name."""

    def __init__(self, stations):
        self.dir = tempfile.mkdtemp(prefix="velumo-dash-")
        os.chmod(self.dir, 0o777)  # started by root, the broker runs as its own user
        d = self.dir
        run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
            "/CN=Velumo test CA", "-keyout", "ca.key", "-out", "ca.crt", cwd=d)
        run("openssl", "req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=127.0.0.1",
            "-keyout", "server.key", "-out", "server.csr", cwd=d)
        write(os.path.join(d, "server.ext"), "subjectAltName=IP:127.0.0.1,DNS:localhost\n")
        run("openssl", "x509", "-req", "-in", "server.csr", "-CA", "ca.crt", "-CAkey", "ca.key",
            "-CAcreateserial", "-days", "2", "-extfile", "server.ext", "-out", "server.crt", cwd=d)
        write(os.path.join(d, "passwd"), "".join("%s:pw-%s\n" % (u, u)
                                                 for u in ["operator"] + list(stations)))
        run("mosquitto_passwd", "-U", os.path.join(d, "passwd"))
        shutil.copy(os.path.join(SOURCE, "data/mosquitto/velumo.acl"), d)
        # The page as the package installs it: its files and the fetched MQTT.js.
        www = os.path.join(d, "www")
        shutil.copytree(os.path.join(SOURCE, "dashboard"), www)
        shutil.copy(os.path.join(BUILD, "dashboard", "mqtt.min.js"), www)
        self.mqtt, self.wss, self.http = free_port(), free_port(), free_port()
        os.makedirs(os.path.join(d, "conf.d"))
        stock = read("/etc/mosquitto/mosquitto.conf")
        for old, new in (("/run/mosquitto/mosquitto.pid", d + "/mosquitto.pid"),
                         ("/var/lib/mosquitto/", d + "/"),
                         ("log_dest file /var/log/mosquitto/mosquitto.log",
                          "log_dest file %s/mosquitto.log" % d),
                         ("/etc/mosquitto/conf.d", d + "/conf.d")):
            assert old in stock, old
            stock = stock.replace(old, new)
        self.conf = os.path.join(d, "mosquitto.conf")
        write(self.conf, stock)
        for name in ("velumo.conf", "velumo-dashboard.conf"):
            text = read(os.path.join(SOURCE, "data/mosquitto", name))
            for old, new in (("/etc/mosquitto/velumo/", d + "/"),
                             ("/usr/share/velumo/dashboard", www),
                             ("listener 8883\n", "listener %d 127.0.0.1\n" % self.mqtt),
                             ("listener 8884\n", "listener %d 127.0.0.1\n" % self.wss),
                             ("listener 8084 127.0.0.1\n", "listener %d 127.0.0.1\n" % self.http)):
                text = text.replace(old, new)
            write(os.path.join(d, "conf.d", name), text)
        for root, dirs, files in os.walk(d):
            for name in dirs + files:
                os.chmod(os.path.join(root, name), 0o777 if name in dirs else 0o644)
        self.process = None

    def file(self, name):
        return os.path.join(self.dir, name)

    def start(self):
        with open(self.file("broker.out"), "wb") as out:
            self.process = subprocess.Popen(["mosquitto", "-c", self.conf], stdout=out,
                                            stderr=subprocess.STDOUT)
        def listening(port):
            with socket.socket() as s:
                return s.connect_ex(("127.0.0.1", port)) == 0
        if not wait_for(lambda: all(map(listening, (self.mqtt, self.wss, self.http))), 10):
            raise AssertionError("the broker did not start: " + read(self.file("broker.out")))

    def page(self, query=""):
        return "http://127.0.0.1:%d/index.html%s" % (self.http, query)

    def address(self):
        return "wss://127.0.0.1:%d" % self.wss

    def spki(self):
        """The server key's hash: Chromium trusts this certificate as a site trusts its CA."""
        der = subprocess.run("openssl x509 -in server.crt -pubkey -noout | openssl pkey -pubin "
                             "-outform der | openssl dgst -sha256 -binary", shell=True,
                             cwd=self.dir, check=True, stdout=subprocess.PIPE).stdout
        return base64.b64encode(der).decode()

    def stop(self):
        if self.process:
            self.process.terminate()
            self.process.wait(10)
        shutil.rmtree(self.dir, ignore_errors=True)


class Stations:
    """Fleet links of PREFIX000.. in helper processes of a hundred, driven by lines
    (stations.cpp)."""

    def __init__(self, broker, prefix, count, status_s=60, keepalive_s=30):
        self.folder = tempfile.mkdtemp(prefix="velumo-st-")  # mode 0700
        self.args = [[HELPER, str(broker.mqtt), broker.file("ca.crt"), self.folder, prefix,
                      str(first), str(min(100, count - first)), str(status_s), str(keepalive_s)]
                     for first in range(0, count, 100)]
        self.ids = ["%s%03d" % (prefix, i) for i in range(count)]
        self.start()

    def start(self):
        env = dict(os.environ, XDG_RUNTIME_DIR=self.folder, VELUMO_SOURCE_DIR=SOURCE)
        self.processes = [subprocess.Popen(a, stdin=subprocess.PIPE, env=env)
                          for a in self.args]

    def send(self, line):
        for p in self.processes:
            p.stdin.write((line + "\n").encode())
            p.stdin.flush()

    def kill(self, sig=signal.SIGKILL):
        for p in self.processes:
            p.send_signal(sig)
            if sig == signal.SIGKILL:
                p.wait(10)
                p.stdin.close()

    def stop(self):
        if any(p.poll() is None for p in self.processes):
            self.kill()
        shutil.rmtree(self.folder, ignore_errors=True)


class Program:
    """The program under its own Xvfb, with a fleet.ini naming the broker; station "hall"."""

    def __init__(self, broker, station="hall"):
        self.folder = tempfile.mkdtemp(prefix="velumo-prog-")
        write(os.path.join(self.folder, "fleet.password"), "pw-%s\n" % station)
        write(os.path.join(self.folder, "fleet.ini"),
              "[fleet]\nbroker = mqtts://127.0.0.1:%d\nstation = %s\nuser = %s\n"
              "password_file = fleet.password\nca_file = %s\nkeepalive = 30\n"
              % (broker.mqtt, station, station, broker.file("ca.crt")))
        display_in, display_out = os.pipe()
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(display_out), "-screen", "0",
                                      "1280x720x24", "-nolisten", "tcp"], pass_fds=[display_out])
        os.close(display_out)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(display_in, 16)
            assert chunk, "Xvfb did not start"
            number += chunk
        os.close(display_in)
        self.display = ":" + number.decode().strip()
        self.env = dict(os.environ, DISPLAY=self.display, QT_QPA_PLATFORM="xcb",
                        PATH=os.path.join(SOURCE, "tests/fakes/bin") + ":" + os.environ["PATH"])
        self.process = None

    def start(self):
        self.process = subprocess.Popen([os.path.join(BUILD, "velumo"), "--dir", self.folder],
                                        env=self.env, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        assert wait_for(lambda: self.send("status")[0] == 0, 30, 0.2), "the program did not start"

    def send(self, command):
        p = subprocess.run([os.path.join(BUILD, "velumo"), "--dir", self.folder, "--send",
                            command], env=self.env, stdout=subprocess.PIPE,
                           stderr=subprocess.STDOUT, timeout=60)
        return p.returncode, p.stdout.decode()

    def kill(self):
        self.process.kill()
        self.process.wait(10)

    def stop(self):
        if self.process and self.process.poll() is None:
            self.send("exit")
            try:
                self.process.wait(15)
            except subprocess.TimeoutExpired:
                self.kill()
        self.xvfb.terminate()
        self.xvfb.wait(10)
        shutil.rmtree(self.folder, ignore_errors=True)


def browser(broker, size="1400,1000", extra=()):
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    profile = tempfile.mkdtemp(prefix="velumo-chromium-")
    for a in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
              "--disable-component-update", "--disable-sync", "--no-first-run",
              "--user-data-dir=" + profile, "--window-size=" + size,
              "--ignore-certificate-errors-spki-list=" + broker.spki()) + tuple(extra):
        options.add_argument(a)
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.profile = profile
    return driver


def close_browser(driver):
    driver.quit()
    shutil.rmtree(driver.profile, ignore_errors=True)


def login(driver, broker, user="operator", password=None, query=""):
    driver.get(broker.page(query))
    driver.find_element("id", "broker").clear()
    driver.find_element("id", "broker").send_keys(broker.address())
    driver.find_element("id", "user").send_keys(user)
    driver.find_element("id", "password").send_keys(password or "pw-" + user)
    driver.find_element("id", "login-button").click()


def card_state(driver, station):
    """The state a station's card shows ("" while there is no card)."""
    return driver.execute_script(
        "var c = document.querySelector('.card[data-station=\"' + arguments[0] + '\"]');"
        "if (!c) return ''; var m = /state-(\\w+)/.exec(c.className); return m ? m[1] : '';",
        station)


def card_text(driver, station):
    return driver.execute_script(
        "var c = document.querySelector('.card[data-station=\"' + arguments[0] + '\"]');"
        "return c ? c.innerText : '';", station)
