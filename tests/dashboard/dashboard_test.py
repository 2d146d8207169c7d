"""The dashboard in Chromium against a real Mosquitto (Debian's stock configuration including
ours) and real stations; the watcher against the same."""
import json, os, shutil, signal, subprocess, tempfile, time, unittest

import rig
from rig import wait_for, card_state, card_text

MANY, SILENT = 50, 1


class Dashboard(unittest.TestCase):
    broker = None
    why = ""

    @classmethod
    def setUpClass(cls):
        cls.why = rig.missing()
        if cls.why:
            return
        names = ["hall"] + ["many%03d" % i for i in range(MANY)] + ["mute000", "quiet000"] + \
            ["watch%03d" % i for i in range(2)]
        cls.broker = rig.Broker(names)
        cls.broker.start()

    @classmethod
    def tearDownClass(cls):
        if cls.broker:
            cls.broker.stop()

    def setUp(self):
        rig.need(self, not self.why, self.why)
        self.cleanups = []

    def tearDown(self):
        for undo in reversed(self.cleanups):
            undo()

    def keep(self, thing, undo):
        self.cleanups.append(undo)
        return thing

    def page(self, **login):
        driver = self.keep(rig.browser(self.broker), lambda: rig.close_browser(driver))
        rig.login(driver, self.broker, **login)
        return driver

    def test_a_wrong_password_is_refused_plainly(self):
        driver = self.page(password="wrong")
        message = lambda: driver.find_element("id", "login-message").text
        self.assertTrue(wait_for(lambda: "не принял имя пользователя или пароль" in message(),
                                 15), message())
        self.assertFalse(driver.find_element("id", "login").get_attribute("hidden"))
        driver.find_element("id", "password").clear()
        driver.find_element("id", "password").send_keys("pw-operator")
        driver.find_element("id", "login-button").click()
        self.assertTrue(wait_for(lambda: driver.find_element("id", "main").is_displayed(), 15))

    def test_the_program_on_the_page(self):
        program = self.keep(rig.Program(self.broker), lambda: program.stop())
        program.start()
        # A block of a thousand announcements: the retained status stays a few kilobytes.
        block = os.path.join(program.folder, "big.str")
        rig.write(block, "".join("^%d\r\n~%d\r\n%dОбъявление номер %d: длинный текст о "
                                 "новостях города.\r\n" % (i + 1, i % 10, i % 10, i + 1)
                                 for i in range(1000)))
        self.assertEqual(program.send("block load " + block), (0, "1000\n"))
        driver = self.page(query="?screenshots=0.05")
        self.assertTrue(wait_for(lambda: card_state(driver, "hall") == "online", 20))

        # A command to one station, answered with its code and text.
        driver.find_element("css selector", '.card[data-station="hall"] .name').click()
        driver.find_element("css selector", '#sv-commands [data-verb="ticker start"]').click()
        answer = lambda: driver.find_element("id", "sv-answers").text
        self.assertTrue(wait_for(lambda: "ticker start → 0" in answer(), 12), answer())
        self.assertTrue(wait_for(lambda: "Строка\nидёт: «Объявление номер" in card_text(
            driver, "hall"), 10), card_text(driver, "hall"))
        status = subprocess.run(
            ["mosquitto_sub", "-h", "127.0.0.1", "-p", str(self.broker.mqtt), "--cafile",
             self.broker.file("ca.crt"), "-u", "operator", "-P", "pw-operator", "-C", "1",
             "-t", "velumo/hall/status"], stdout=subprocess.PIPE, timeout=10).stdout
        self.assertLess(len(status), 4000)
        self.assertEqual(json.loads(status)["block"]["text_count"], 1000)
        # Its events as they come, the announcements shown among them.
        self.assertTrue(wait_for(lambda: "ticker" in driver.find_element(
            "id", "sv-events").text, 20))

        # The full screenshot on request, and the thumbnail in the grid.
        driver.find_element("css selector", '#sv-commands [data-verb="screenshot"]').click()
        self.assertTrue(wait_for(lambda: driver.execute_script(
            "return document.getElementById('sv-shot-image').naturalWidth") >= 640, 30))
        driver.find_element("id", "sv-close").click()
        self.assertTrue(wait_for(lambda: driver.execute_script(
            "return document.querySelector('.card[data-station=\"hall\"] canvas').width"), 30))

        # The whole program stood still for 6 s: the strip's alarm raised, then cleared.
        os.kill(program.process.pid, signal.SIGSTOP)
        time.sleep(6.5)
        os.kill(program.process.pid, signal.SIGCONT)
        self.assertTrue(wait_for(lambda: "strip_frozen" in card_text(driver, "hall"), 15),
                        card_text(driver, "hall"))
        self.assertTrue(wait_for(lambda: "снята" in card_text(driver, "hall"), 70),
                        card_text(driver, "hall"))
        self.assertEqual(card_state(driver, "hall"), "online")

        # Killed: offline by its last will; started again: online.
        program.kill()
        self.assertTrue(wait_for(lambda: card_state(driver, "hall") == "offline", 5))
        program.start()
        self.assertTrue(wait_for(lambda: card_state(driver, "hall") == "online", 20))

    def test_many_stations_at_once(self):
        many = rig.Stations(self.broker, "many", MANY)
        self.keep(many, many.stop)
        mute = rig.Stations(self.broker, "mute", SILENT)
        self.keep(mute, mute.stop)
        quiet = rig.Stations(self.broker, "quiet", 1, status_s=2, keepalive_s=60)
        self.keep(quiet, quiet.stop)
        driver = self.page()
        online = lambda: driver.execute_script(
            "return document.querySelectorAll('.card.state-online').length")
        self.assertTrue(wait_for(lambda: online() >= MANY + SILENT + 1, 30), online())

        # One that answers nothing: its process stands still (the broker keeps it online).
        mute.kill(signal.SIGSTOP)
        self.cleanups.append(lambda: mute.kill(signal.SIGCONT))
        driver.find_element("id", "filter-text").send_keys("m")
        self.assertTrue(wait_for(lambda: len(driver.find_elements(
            "css selector", "#grid .card")) == MANY + SILENT, 5))
        driver.find_element("id", "pick-shown").click()
        driver.find_element("css selector", '#bulk-command option[value="ticker stop"]').click()
        driver.find_element("id", "bulk-send").click()
        self.assertIn("на 51 станцию", driver.find_element("id", "confirm-text").text)
        driver.find_element("id", "confirm-yes").click()
        rows = lambda kind: driver.find_elements("css selector", "#bulk-rows tr." + kind)
        self.assertTrue(wait_for(lambda: len(rows("done")) == MANY, 10))
        self.assertTrue(wait_for(lambda: len(rows("silent")) == SILENT, 12))
        answers = {r.get_attribute("data-station"): r.find_element("class name", "answer").text
                   for r in rows("done")}
        self.assertEqual(answers["many007"], "0 ticker stop done by many007")
        self.assertEqual(rows("silent")[0].find_element("class name", "answer").text,
                         "нет ответа за 10 с")
        self.assertIn("ответили 50 из 51, без ответа 1",
                      driver.find_element("id", "bulk-summary").text)

        # An alarm raised and cleared by the station's own alarm monitor.
        many.send("alarm 3 on")
        self.assertTrue(wait_for(lambda: "spool_full" in card_text(driver, "many003"), 5))
        self.assertIn("alarmed", driver.find_element(
            "css selector", '.card[data-station="many003"]').get_attribute("class"))
        many.send("alarm 3 off")
        self.assertTrue(wait_for(lambda: "снята" in card_text(driver, "many003"), 5))

        # Online but silent for twice its status interval: stale; speaking again: online.
        driver.find_element("id", "filter-text").clear()
        quiet.kill(signal.SIGSTOP)
        self.assertTrue(wait_for(lambda: card_state(driver, "quiet000") == "stale", 10))
        quiet.kill(signal.SIGCONT)
        self.assertTrue(wait_for(lambda: card_state(driver, "quiet000") == "online", 10))

    def test_the_page_losing_the_broker_is_no_station_falling_silent(self):
        broker = rig.Broker(["quiet000"])
        self.keep(broker, broker.stop)
        broker.start()
        quiet = rig.Stations(broker, "quiet", 1, status_s=2, keepalive_s=60)
        self.keep(quiet, quiet.stop)
        driver = self.keep(rig.browser(broker), lambda: rig.close_browser(driver))
        rig.login(driver, broker)
        self.assertTrue(wait_for(lambda: card_state(driver, "quiet000") == "online", 20))
        broker.process.kill()
        broker.process.wait(10)
        link = lambda: driver.find_element("id", "link-state").text
        self.assertTrue(wait_for(lambda: "прервана" in link(), 10), link())
        time.sleep(6)  # three status intervals
        self.assertEqual(card_state(driver, "quiet000"), "online")
        broker.start()
        self.assertTrue(wait_for(lambda: link() == "", 20), link())
        self.assertTrue(wait_for(lambda: card_state(driver, "quiet000") == "online", 30))

    def test_the_watcher_runs_once_per_change(self):
        stations = rig.Stations(self.broker, "watch", 2)
        self.keep(stations, stations.stop)
        out = self.keep(tempfile.mkdtemp(prefix="velumo-watch-"), lambda: shutil.rmtree(out))
        rig.write(os.path.join(out, "pw"), "pw-operator\n")
        log = self.keep(open(os.path.join(out, "log"), "wb"), lambda: log.close())
        watcher = subprocess.Popen(
            [os.path.join(rig.BUILD, "velumo"), "--fleet", "mqtts://127.0.0.1:%d" %
             self.broker.mqtt, "--user", "operator", "--password-file", os.path.join(out, "pw"),
             "--ca", self.broker.file("ca.crt"), "--watch", "--exec",
             'env | grep ^VELUMO_ | sort > "$OUT/run.$(date +%s%N)"'],
            env=dict(os.environ, OUT=out), stdout=log, stderr=log)
        self.cleanups.append(lambda: watcher.poll() is None and watcher.kill())

        def runs():
            return [dict(l.split("=", 1) for l in rig.read(os.path.join(out, n)).splitlines()
                         if "=" in l) for n in sorted(os.listdir(out)) if n.startswith("run.")]

        def told(station, key, value):
            return [r for r in runs() if r.get("VELUMO_STATION") == station and
                    r.get(key) == value]

        said = lambda: rig.read(log.name)
        self.assertTrue(wait_for(lambda: "наблюдение за станциями" in said(), 10), said())
        time.sleep(4)
        self.assertEqual(runs(), [], "what the broker held at the start is no change")
        stations.kill()
        self.assertTrue(wait_for(lambda: len(told("watch001", "VELUMO_STATE", "offline")), 15))
        stations.start()
        self.assertTrue(wait_for(lambda: len(told("watch001", "VELUMO_STATE", "online")), 25))
        stations.send("alarm 0 on")
        self.assertTrue(wait_for(lambda: told("watch000", "VELUMO_ALARM_EVENT", "raised"), 15))
        stations.send("alarm 0 off")
        self.assertTrue(wait_for(lambda: told("watch000", "VELUMO_ALARM_EVENT", "cleared"), 15))
        time.sleep(11)
        for station in ("watch000", "watch001"):
            self.assertEqual(len(told(station, "VELUMO_STATE", "offline")), 1, runs())
            self.assertEqual(len(told(station, "VELUMO_PREVIOUS_STATE", "offline")), 1, runs())
        raised = told("watch000", "VELUMO_ALARM_EVENT", "raised")[0]
        self.assertEqual((raised["VELUMO_ALARM"], raised["VELUMO_ALARMS"]),
                         ("spool_full", "spool_full"))
        self.assertEqual(len(runs()), 6, runs())
        # Stopped as systemd stops it.
        watcher.send_signal(signal.SIGTERM)
        self.assertEqual(watcher.wait(10), 0)


if __name__ == "__main__":
    unittest.main()
