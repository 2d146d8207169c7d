// The fleet dashboard: a login, the grid of every station, a station's own view, one command to
// many. It speaks MQTT 5 to the broker with the operator's own account over two connections:
// one for states, events and command answers, one for screenshots only, because the broker
// sends a large message to a WebSocket client a few kilobytes per turn of its loop and a picture
// in the way would hold up every state change behind it.
"use strict";

(function () {
    var COMMAND_TIMEOUT_MS = 10000;
    var CONNECT_TIMEOUT_MS = 10000;
    var RECONNECT_MS = 3000;
    var SHOT_TIMEOUT_MS = 60000;
    var SHOTS_IN_FLIGHT = 3;
    var THUMB_WIDTH = 320;
    var BROKER_KEY = "velumo.dashboard.broker";
    var params = new URLSearchParams(location.search);
    // How often a thumbnail of a station in view is asked for: ?screenshots=MINUTES.
    var shotEveryMs = (Number(params.get("screenshots")) > 0 ? Number(params.get("screenshots")) : 5)
        * 60000;

    // The verbs a station lets a remote caller run when its status does not name them.
    var DEFAULT_ALLOW = ["status", "screenshot", "ticker start", "ticker stop", "ticker continue",
                         "ticker restart", "phrase", "dispatcher start", "dispatcher stop"];
    var COMMANDS = [
        { verb: "ticker start", label: "Строка: пуск" },
        { verb: "ticker stop", label: "Строка: стоп" },
        { verb: "ticker continue", label: "Строка: продолжить" },
        { verb: "ticker restart", label: "Строка: с начала блока" },
        { verb: "dispatcher start", label: "ЦУП: пуск" },
        { verb: "dispatcher stop", label: "ЦУП: стоп" },
        { verb: "phrase", label: "Фраза", text: true },
        { verb: "status", label: "Состояние" }
    ];

    var fleet = new VelumoFleet.Fleet();
    var link = null; // states, events, answers
    var pictures = null; // screenshots
    var token = "";
    var pending = {}; // correlation -> command waiting for its answer
    var sequence = 0;
    var cards = {}; // station -> its card
    var shownOrder = [];
    var shots = {}; // station -> the screenshot asked for
    var lastShot = {}; // station -> when its thumbnail was last asked for
    var fullShotUrl = "";
    var picked = {};
    var renderTimer = 0;
    var observer = null;
    var tickers = [];

    function $(id) { return document.getElementById(id); }

    function element(tag, className, text) {
        var e = document.createElement(tag);
        if (className) e.className = className;
        if (text !== undefined) e.textContent = text;
        return e;
    }

    // What a station sends is shown as text, without control characters.
    function clean(text) {
        return String(text).replace(/[\u0000-\u001f\u007f-\u009f]/g, " ");
    }

    function utf8(text) { return new TextEncoder().encode(text); }
    function fromUtf8(bytes) { return bytes ? new TextDecoder("utf-8").decode(bytes) : ""; }

    function randomToken() {
        var bytes = new Uint8Array(9);
        crypto.getRandomValues(bytes);
        return Array.prototype.map.call(bytes, function (b) {
            return (b + 256).toString(36).slice(-2);
        }).join("");
    }

    // ---- Login -------------------------------------------------------------------------------

    function loginMessage(text, busy) {
        $("login-message").textContent = text;
        $("login-message").className = busy ? "busy" : text ? "error" : "";
        $("login-button").disabled = !!busy;
    }

    function clientOptions(user, password, suffix) {
        return {
            protocolVersion: 5,
            clientId: "velumo-dashboard-" + token + suffix,
            username: user,
            password: password,
            clean: true,
            keepalive: 30,
            reconnectPeriod: 0,
            connectTimeout: CONNECT_TIMEOUT_MS,
            resubscribe: true
        };
    }

    // A refusal by the broker as the operator should read it.
    function refusal(error) {
        var code = error && error.code;
        // Mosquitto 2.0 answers a wrong password with "not authorized" (135).
        if (code === 134 || code === 135 || code === 4 || code === 5)
            return "Брокер не принял имя пользователя или пароль.";
        if (code === 136 || code === 3)
            return "Брокер сейчас недоступен (сервер перегружен или выключается); попробуйте позже.";
        if (typeof code === "number")
            return "Брокер отказал в подключении (код " + code + ").";
        return "";
    }

    function login(event) {
        event.preventDefault();
        var url = $("broker").value.trim();
        var user = $("user").value.trim();
        var password = $("password").value;
        if (!/^wss?:\/\/[^\s/]+/i.test(url)) {
            loginMessage("Адрес брокера пишется так: wss://имя-брокера:порт (ws:// — только в " +
                         "доверенной сети).");
            return;
        }
        if (typeof mqtt === "undefined") {
            loginMessage("Страница установлена не полностью: рядом с ней нет mqtt.min.js.");
            return;
        }
        try { localStorage.setItem(BROKER_KEY, url); } catch (e) { /* private mode */ }
        loginMessage("Соединение с " + url + "…", true);
        token = randomToken();
        var client = mqtt.connect(url, clientOptions(user, password, "s"));
        var settled = false;
        var fail = function (text) {
            if (settled) return;
            settled = true;
            clearTimeout(timer);
            client.end(true);
            loginMessage(text);
        };
        var noAnswer = "Нет соединения с брокером " + url + ". Проверьте адрес и порт; браузер " +
            "должен доверять сертификату брокера.";
        var timer = setTimeout(function () { fail(noAnswer); }, CONNECT_TIMEOUT_MS + 1000);
        client.on("error", function (error) {
            if (!settled) fail(refusal(error) || noAnswer);
        });
        client.on("close", function () { if (!settled) fail(noAnswer); });
        client.on("connect", function () {
            if (settled) return;
            settled = true;
            clearTimeout(timer);
            client.options.reconnectPeriod = RECONNECT_MS;
            $("password").value = "";
            loginMessage("");
            start(client, url, user, password);
        });
    }

    function logout() {
        tickers.forEach(clearInterval);
        tickers = [];
        if (link) link.end(true);
        if (pictures) pictures.end(true);
        link = pictures = null;
        for (var c in pending) clearTimeout(pending[c].timer);
        pending = {};
        for (var id in shots) clearTimeout(shots[id].timer);
        shots = {};
        lastShot = {};
        picked = {};
        closeStation();
        if (observer) observer.disconnect();
        cards = {};
        shownOrder = [];
        $("grid").textContent = "";
        $("bulk").hidden = true;
        fleet = new VelumoFleet.Fleet();
        $("main").hidden = true;
        $("login").hidden = false;
        document.body.className = "";
    }

    // ---- The two connections -----------------------------------------------------------------

    function start(client, url, user, password) {
        link = client;
        $("login").hidden = true;
        $("main").hidden = false;
        document.body.className = "online";
        observer = new IntersectionObserver(onVisibility);
        link.on("message", onMessage);
        link.on("connect", function () {
            fleet.linkBack(Date.now());
            linkState("");
        });
        link.on("close", function () { fleet.linkLost(Date.now()); });
        link.on("reconnect", function () {
            linkState("Связь с брокером прервана; новая попытка…");
        });
        link.on("offline", function () {
            fleet.linkLost(Date.now());
            linkState("Связь с брокером прервана; новая попытка…");
        });
        link.on("error", function (error) {
            linkState(refusal(error) || "Связь с брокером прервана; новая попытка…");
        });
        subscribe(link, ["velumo/+/online", "velumo/+/status", "velumo/+/events",
                         "velumo/+/reply/" + token]);
        pictures = mqtt.connect(url, clientOptions(user, password, "p"));
        pictures.options.reconnectPeriod = RECONNECT_MS;
        pictures.on("connect", function () {
            subscribe(pictures, ["velumo/+/reply/" + token + "p"]);
        });
        pictures.on("message", onPicture);
        tickers.push(setInterval(tick, 1000));
        tickers.push(setInterval(pumpShots, 2000));
        render();
    }

    function subscribe(client, topics) {
        var wanted = {};
        topics.forEach(function (t) { wanted[t] = { qos: 0 }; });
        client.subscribe(wanted, function (error, granted) {
            var refused = (granted || []).filter(function (g) { return g.qos >= 128; });
            if (error || refused.length > 0)
                linkState("Брокер не даёт этому пользователю читать " +
                          (refused.length ? refused.map(function (g) { return g.topic; })
                              .join(", ") : "станции") + ": нужен доступ к velumo/+/#.");
        });
    }

    function linkState(text) {
        $("link-state").textContent = text;
        document.body.className = text ? "lost" : "online";
    }

    // velumo/<station>/reply/<token>...: an answer to one of our commands.
    function isAnswer(topic) {
        return topic.split("/")[2] === "reply";
    }

    function onMessage(topic, payload, packet) {
        if (isAnswer(topic)) {
            onAnswer(payload, packet);
            return;
        }
        var station = fleet.take(topic, payload, !!packet.retain, Date.now());
        if (station) changed(station);
    }

    function changed(station) {
        if (!renderTimer) renderTimer = setTimeout(render, 50);
        if (fleet.openStation === station.id) renderStation();
    }

    // ---- Commands ----------------------------------------------------------------------------

    // Sends one command line to a station; answer(code, text) once: the station's CODE TEXT, or
    // code null when none came in time.
    function sendCommand(client, id, line, answer, timeoutMs, replySuffix) {
        var correlation = token + "-" + (++sequence);
        var entry = { station: id, line: line, sent: Date.now(), answer: answer };
        entry.timer = setTimeout(function () {
            finish(correlation, null, "нет ответа за " + Math.round((timeoutMs ||
                COMMAND_TIMEOUT_MS) / 1000) + " с");
        }, timeoutMs || COMMAND_TIMEOUT_MS);
        pending[correlation] = entry;
        client.publish("velumo/" + id + "/cmd", line, {
            qos: 1,
            properties: {
                responseTopic: "velumo/" + id + "/reply/" + token + (replySuffix || ""),
                correlationData: utf8(correlation)
            }
        }, function (error) {
            if (error)
                finish(correlation, null, "брокер не принял команду: " + (error.message || error));
        });
        return entry;
    }

    function finish(correlation, code, text) {
        var entry = pending[correlation];
        if (!entry) return;
        delete pending[correlation];
        clearTimeout(entry.timer);
        entry.answer(code, text, Date.now() - entry.sent);
    }

    function onAnswer(payload, packet) {
        var props = packet.properties || {};
        var correlation = fromUtf8(props.correlationData);
        var text = fromUtf8(payload);
        var space = text.indexOf(" ");
        var code = parseInt(space < 0 ? text : text.slice(0, space), 10);
        finish(correlation, isNaN(code) ? null : code, space < 0 ? "" : text.slice(space + 1));
    }

    function allows(station, verb) {
        var allow = station.allowed() || DEFAULT_ALLOW;
        return allow.indexOf(verb) >= 0;
    }

    function commandLine(verb, text) {
        return verb === "phrase" ? "phrase " + text.replace(/[\r\n]+/g, " ").trim() : verb;
    }

    function answerText(code, text) {
        if (code === null) return text;
        return code + " " + clean(text.length > 300 ? text.slice(0, 300) + "…" : text);
    }

    // ---- Many at once ------------------------------------------------------------------------

    function fillBulkCommands() {
        var select = $("bulk-command");
        COMMANDS.forEach(function (c) {
            var option = element("option", "", c.label + " (" + c.verb + ")");
            option.value = c.verb;
            select.appendChild(option);
        });
    }

    function pickedIds() {
        return Object.keys(picked).filter(function (id) { return picked[id]; }).sort();
    }

    function showPicked() {
        var n = pickedIds().length;
        $("picked").textContent = "Выбрано: " + n;
        $("bulk-send").disabled = n === 0;
        $("bulk-phrase").hidden = $("bulk-command").value !== "phrase";
    }

    function bulkSend() {
        var ids = pickedIds();
        var verb = $("bulk-command").value;
        var phrase = $("bulk-phrase").value;
        if (ids.length === 0) return;
        if (verb === "phrase" && !phrase.trim()) {
            $("bulk-phrase").focus();
            return;
        }
        var line = commandLine(verb, phrase);
        if (ids.length === 1) {
            sendToMany(ids, line);
            return;
        }
        $("confirm-text").textContent = "Отправить «" + line + "» на " + ids.length +
            " станц" + plural(ids.length, "ию", "ии", "ий") + "?";
        var dialog = $("confirm");
        dialog.onclose = function () {
            if (dialog.returnValue === "yes") sendToMany(ids, line);
        };
        dialog.returnValue = "";
        dialog.showModal();
    }

    function plural(n, one, few, many) {
        var t = n % 100, u = n % 10;
        if (t >= 11 && t <= 14) return many;
        return u === 1 ? one : u >= 2 && u <= 4 ? few : many;
    }

    function sendToMany(ids, line) {
        var rows = $("bulk-rows");
        rows.textContent = "";
        $("bulk").hidden = false;
        $("bulk-title").textContent = "«" + line + "»: " + ids.length + " станц" +
            plural(ids.length, "ия", "ии", "ий");
        var counts = { answered: 0, silent: 0, failed: 0 };
        var summary = function () {
            $("bulk-summary").textContent = "ответили " + counts.answered + " из " + ids.length +
                (counts.failed ? ", с ошибкой " + counts.failed : "") +
                (counts.silent ? ", без ответа " + counts.silent : "");
        };
        summary();
        // Above the grid, however many stations there are: the answers are in sight.
        $("bulk").scrollIntoView({ block: "nearest" });
        ids.forEach(function (id) {
            var row = element("tr", "waiting");
            row.dataset.station = id;
            row.appendChild(element("td", "", id));
            var answer = row.appendChild(element("td", "answer", "ждёт ответа…"));
            var after = row.appendChild(element("td", "after", ""));
            rows.appendChild(row);
            sendCommand(link, id, line, function (code, text, ms) {
                answer.textContent = answerText(code, text);
                after.textContent = code === null ? "" : (ms / 1000).toFixed(1) + " с";
                row.className = code === null ? "silent" : code === 0 ? "done" : "failed";
                if (code === null) counts.silent++;
                else counts.answered++;
                if (code !== null && code !== 0) counts.failed++;
                summary();
            });
        });
    }

    // ---- The grid ----------------------------------------------------------------------------

    function filter() {
        return {
            text: $("filter-text").value,
            state: $("filter-state").value,
            alarms: $("filter-alarms").checked,
            order: $("order").value
        };
    }

    function makeCard(station) {
        var card = { id: station.id, visible: false, seen: -1, state: "" };
        var el = card.el = element("article", "card");
        el.dataset.station = station.id;
        var head = el.appendChild(element("header"));
        card.pick = head.appendChild(element("input", "pick"));
        card.pick.type = "checkbox";
        card.pick.title = "Выбрать для команды";
        card.pick.addEventListener("change", function () {
            picked[station.id] = card.pick.checked;
            showPicked();
        });
        var name = head.appendChild(element("button", "name", station.id));
        name.type = "button";
        name.title = "Открыть станцию";
        name.addEventListener("click", function () { openStation(station.id); });
        card.badge = head.appendChild(element("span", "badge"));
        var thumb = el.appendChild(element("div", "thumb"));
        card.canvas = thumb.appendChild(element("canvas"));
        card.canvas.width = card.canvas.height = 0;
        card.thumbNote = thumb.appendChild(element("span", "note", "нет снимка"));
        var facts = el.appendChild(element("dl"));
        var fact = function (label, className) {
            facts.appendChild(element("dt", "", label));
            return facts.appendChild(element("dd", className));
        };
        // Long texts end in "…" after three lines; the whole is in the tooltip.
        card.onAir = fact("В эфире", "clip");
        card.plan = fact("План", "clip");
        card.strip = fact("Строка", "clip");
        card.alarms = fact("Тревоги");
        card.facts = el.appendChild(element("footer"));
        observer.observe(el);
        return card;
    }

    function render() {
        clearTimeout(renderTimer);
        renderTimer = 0;
        var now = Date.now();
        var list = fleet.view(filter(), now);
        var grid = $("grid");
        var order = list.map(function (s) { return s.id; });
        var same = order.length === shownOrder.length &&
            order.every(function (id, i) { return shownOrder[i] === id; });
        list.forEach(function (s) {
            if (!cards[s.id]) cards[s.id] = makeCard(s);
            updateCard(cards[s.id], s, now);
        });
        if (!same) {
            var shown = {};
            order.forEach(function (id) { shown[id] = true; });
            shownOrder.forEach(function (id) {
                if (!shown[id] && cards[id]) cards[id].el.remove();
            });
            order.forEach(function (id) { grid.appendChild(cards[id].el); });
            shownOrder = order;
        }
        $("grid-empty").hidden = order.length > 0;
        showCounts(now);
    }

    function showCounts(now) {
        var counts = { online: 0, stale: 0, offline: 0, unknown: 0 };
        var alarms = 0;
        fleet.list().forEach(function (s) {
            counts[s.state(now)]++;
            if (s.activeAlarms().length) alarms++;
        });
        $("counts").textContent = "в сети " + counts.online + " · молчат " + counts.stale +
            " · нет связи " + counts.offline + " · неизвестно " + counts.unknown +
            " · с тревогами " + alarms;
    }

    function alarmText(a) {
        var text = clean(a.id) + (a.text ? " — " + clean(a.text) : "") + ", поднята " +
            VelumoFleet.clock(a.raised);
        return isNaN(a.cleared) ? text : text + ", снята " + VelumoFleet.clock(a.cleared);
    }

    function stripText(s) {
        var running = s.tickerRunning();
        var state = running === null ? "" : running ? "идёт" : "стоит";
        var text = s.stripNow();
        return [state, text ? "«" + clean(text) + "»" : ""].filter(Boolean)
            .join(": ") || "—";
    }

    function factsText(s, now) {
        var parts = ["событие " + (isNaN(s.lastEvent) ? "—" : VelumoFleet.age(now - s.lastEvent) +
            " назад")];
        if (s.status && s.status.version) parts.push("версия " + clean(s.status.version));
        parts.push(lifeText(s, now));
        return parts.filter(Boolean).join(" · ");
    }

    // How long it has run, or how long it has been away: a station away runs nothing we know.
    function lifeText(s, now) {
        if (s.online === false)
            return isNaN(s.onlineSince) ? "" : "нет связи " + VelumoFleet.age(now - s.onlineSince);
        var up = s.online ? s.uptimeS(now) : NaN;
        return isNaN(up) ? "" : "работает " + VelumoFleet.age(up * 1000);
    }

    function updateCard(card, s, now) {
        var state = s.state(now);
        if (card.state !== state) {
            card.state = state;
            card.el.classList.remove("state-online", "state-stale", "state-offline",
                                     "state-unknown");
            card.el.classList.add("state-" + state);
            card.badge.textContent = VelumoFleet.STATE_NAMES[state];
        }
        card.pick.checked = !!picked[s.id];
        // Ages go on by themselves: tick() renews them for the cards in view.
        if (card.seen === s.version) return;
        card.seen = s.version;
        card.facts.textContent = factsText(s, now);
        card.el.classList.toggle("has-status", !!s.status);
        card.onAir.textContent = s.onAir().map(clean).join(" · ") || "—";
        card.plan.textContent = clean(s.planLine()) || "—";
        card.strip.textContent = stripText(s);
        [card.onAir, card.plan, card.strip].forEach(function (dd) { dd.title = dd.textContent; });
        var active = s.activeAlarms();
        var cleared = s.clearedAlarms().slice(0, 1);
        card.el.classList.toggle("alarmed", active.length > 0);
        card.alarms.textContent = "";
        active.concat(cleared).forEach(function (a) {
            card.alarms.appendChild(element("div", isNaN(a.cleared) ? "raised" : "cleared",
                                            alarmText(a)));
        });
        if (!active.length && !cleared.length) card.alarms.textContent = "—";
    }

    // Once a second: ages, and states that change with time alone (a station falling silent).
    function tick() {
        var now = Date.now();
        var reorder = false;
        fleet.list().forEach(function (s) {
            var card = cards[s.id];
            if (card && card.state !== s.state(now)) reorder = true;
        });
        if (reorder) {
            render();
            return;
        }
        shownOrder.forEach(function (id) {
            var card = cards[id];
            if (card && card.visible) card.facts.textContent = factsText(fleet.stations[id], now);
        });
        showCounts(now);
        if (fleet.openStation) renderStation();
    }

    // ---- Screenshots -------------------------------------------------------------------------

    function onVisibility(entries) {
        entries.forEach(function (entry) {
            var card = cards[entry.target.dataset.station];
            if (!card) return;
            card.visible = entry.isIntersecting;
            // Only the thumbnails in view are held.
            if (!card.visible) dropThumb(card);
        });
    }

    function dropThumb(card) {
        card.canvas.width = card.canvas.height = 0;
        card.el.classList.remove("has-thumb");
        card.thumbNote.textContent = "нет снимка";
    }

    // Every two seconds: a thumbnail for stations in view whose last one is older than the
    // interval, one request a station, a few at a time.
    function pumpShots() {
        // A page in a background tab has no station in view.
        if (!pictures || !pictures.connected || document.hidden) return;
        var now = Date.now();
        var inFlight = Object.keys(shots).length;
        for (var i = 0; i < shownOrder.length && inFlight < SHOTS_IN_FLIGHT; ++i) {
            var id = shownOrder[i];
            var card = cards[id];
            var s = fleet.stations[id];
            if (!card || !card.visible || shots[id] || s.state(now) !== "online") continue;
            if (!allows(s, "screenshot")) continue;
            if (now - (lastShot[id] || -Infinity) < shotEveryMs) continue;
            lastShot[id] = now;
            requestShot(id, false);
            inFlight++;
        }
    }

    function requestShot(id, full) {
        var shot = shots[id];
        if (shot) {
            shot.full = shot.full || full;
            return;
        }
        shot = shots[id] = { full: full };
        var topic = "velumo/" + id + "/screenshot";
        shot.timer = setTimeout(function () {
            shotDone(id, "снимок не пришёл за " + SHOT_TIMEOUT_MS / 1000 + " с");
        }, SHOT_TIMEOUT_MS);
        pictures.subscribe(topic, { qos: 0 }, function (error) {
            if (error) {
                shotDone(id, "брокер не дал подписаться на снимки");
                return;
            }
            if (shots[id] !== shot) return;
            // The answer comes after the picture, which may take its time: the picture's limit.
            sendCommand(pictures, id, "screenshot", function (code, text) {
                if (code !== 0) shotDone(id, answerText(code, text));
            }, SHOT_TIMEOUT_MS, "p");
        });
    }

    function shotDone(id, problem) {
        var shot = shots[id];
        if (!shot) return;
        delete shots[id];
        clearTimeout(shot.timer);
        if (pictures) pictures.unsubscribe("velumo/" + id + "/screenshot");
        if (problem) {
            // A failed thumbnail is asked again like any other, N minutes after the last.
            if (cards[id] && !cards[id].el.classList.contains("has-thumb"))
                cards[id].thumbNote.textContent = "снимка нет: " + problem;
            if (shot.full && fleet.openStation === id) $("sv-shot-note").textContent = problem;
        }
    }

    // A picture never touches the station's state: only its thumbnail and the open view.
    function onPicture(topic, payload, packet) {
        if (isAnswer(topic)) {
            onAnswer(payload, packet);
            return;
        }
        var parts = topic.split("/");
        if (parts.length !== 3 || parts[2] !== "screenshot") return;
        var id = parts[1];
        var shot = shots[id];
        shotDone(id, "");
        var blob = new Blob([payload], { type: "image/png" });
        if (shot && shot.full && fleet.openStation === id) showFullShot(blob);
        var card = cards[id];
        if (!card || !card.visible) return;
        createImageBitmap(blob, { resizeWidth: THUMB_WIDTH, resizeQuality: "medium" })
            .then(function (bitmap) {
                if (card.visible && cards[id] === card) {
                    card.canvas.width = bitmap.width;
                    card.canvas.height = bitmap.height;
                    card.canvas.getContext("2d").drawImage(bitmap, 0, 0);
                    card.el.classList.add("has-thumb");
                    card.canvas.title = "Снимок " + VelumoFleet.clock(Date.now());
                }
                bitmap.close();
            }, function () {
                card.thumbNote.textContent = "снимок не читается";
            });
    }

    function showFullShot(blob) {
        releaseFullShot();
        fullShotUrl = URL.createObjectURL(blob);
        var image = $("sv-shot-image");
        image.src = fullShotUrl;
        image.hidden = false;
        $("sv-shot-note").textContent = "Снимок " + VelumoFleet.clock(Date.now());
    }

    function releaseFullShot() {
        if (fullShotUrl) URL.revokeObjectURL(fullShotUrl);
        fullShotUrl = "";
        $("sv-shot-image").removeAttribute("src");
        $("sv-shot-image").hidden = true;
    }

    // ---- A station's own view ----------------------------------------------------------------

    function openStation(id) {
        fleet.setOpen(id);
        $("sv-answers").textContent = "";
        $("sv-shot-note").textContent = "";
        releaseFullShot();
        buildCommands(fleet.stations[id]);
        $("station").hidden = false;
        renderStation();
    }

    function closeStation() {
        fleet.setOpen("");
        releaseFullShot();
        $("station").hidden = true;
    }

    function buildCommands(s) {
        var box = $("sv-commands");
        box.textContent = "";
        var phrase = null;
        COMMANDS.concat([{ verb: "screenshot", label: "Снимок экрана" }]).forEach(function (c) {
            if (!allows(s, c.verb)) return;
            if (c.text) {
                phrase = box.appendChild(element("input", "phrase"));
                phrase.placeholder = "Текст фразы";
            }
            var button = box.appendChild(element("button", "command", c.label));
            button.type = "button";
            button.dataset.verb = c.verb;
            button.addEventListener("click", function () {
                if (c.verb === "screenshot") {
                    if (!pictures || !pictures.connected) {
                        $("sv-shot-note").textContent = "нет связи для снимков";
                        return;
                    }
                    $("sv-shot-note").textContent = "Снимок запрошен…";
                    requestShot(s.id, true);
                    return;
                }
                if (c.text && !phrase.value.trim()) {
                    phrase.focus();
                    return;
                }
                var line = commandLine(c.verb, c.text ? phrase.value : "");
                var item = element("li", "waiting", line + " → ждёт ответа…");
                $("sv-answers").insertBefore(item, $("sv-answers").firstChild);
                while ($("sv-answers").children.length > 20)
                    $("sv-answers").lastChild.remove();
                sendCommand(link, s.id, line, function (code, text) {
                    item.textContent = line + " → " + answerText(code, text);
                    item.className = code === null ? "silent" : code === 0 ? "done" : "failed";
                });
            });
        });
        if (!box.children.length)
            box.appendChild(element("p", "", "Станция не разрешает команд извне."));
    }

    function eventText(e) {
        var f = e.fields;
        if (e.kind === "alarm")
            return (f.event === "raised" ? "поднята " : f.event === "cleared" ? "снята " : "") +
                clean(f.id || "") + (f.text ? " — " + clean(f.text) : "");
        if (e.kind === "player")
            return [f.event, (f.letter || "") + (f.slot || ""), f.target || f.reason || f.text]
                .filter(Boolean).map(clean).join(" ");
        if (typeof f.text === "string") return clean(f.text);
        return clean(JSON.stringify(f)).slice(0, 300);
    }

    function renderStation() {
        var s = fleet.stations[fleet.openStation];
        if (!s) return;
        var now = Date.now();
        var state = s.state(now);
        $("sv-name").textContent = s.id;
        $("sv-state").textContent = VelumoFleet.STATE_NAMES[state];
        $("sv-state").className = "badge state-" + state;
        var facts = $("sv-facts");
        facts.textContent = "";
        var fact = function (label, value) {
            facts.appendChild(element("dt", "", label));
            return facts.appendChild(element("dd", "", value));
        };
        fact("В эфире", s.onAir().map(clean).join(" · ") || "—");
        fact("План", clean(s.planLine()) || "—");
        fact("Строка", stripText(s));
        var alarms = fact("Тревоги", "");
        var all = s.activeAlarms().concat(s.clearedAlarms());
        all.forEach(function (a) {
            alarms.appendChild(element("div", isNaN(a.cleared) ? "raised" : "cleared",
                                       alarmText(a)));
        });
        if (!all.length) alarms.textContent = "—";
        fact("Последнее событие", isNaN(s.lastEvent) ? "—" : VelumoFleet.clock(s.lastEvent) +
            " (" + VelumoFleet.age(now - s.lastEvent) + " назад)");
        fact("Версия", s.status && s.status.version ? clean(s.status.version) : "—");
        fact(s.online === false ? "Нет связи" : "Работает",
             lifeText(s, now).replace(/^(работает|нет связи) /, "") || "—");
        fact("Статус от", VelumoFleet.clock(s.statusTime));
        var body = $("sv-events").tBodies[0];
        var first = body.firstChild && body.firstChild.dataset.key;
        var key = s.events.length ? String(s.events[0].seq) + "/" + s.events[0].time : "";
        if (first === key && body.children.length === s.events.length) return;
        body.textContent = "";
        s.events.forEach(function (e, i) {
            var row = element("tr");
            if (i === 0) row.dataset.key = key;
            row.appendChild(element("td", "", VelumoFleet.clock(e.time)));
            row.appendChild(element("td", "", clean(e.kind)));
            row.appendChild(element("td", "", eventText(e)));
            body.appendChild(row);
        });
    }

    // ---- Wiring ------------------------------------------------------------------------------

    function init() {
        try { $("broker").value = localStorage.getItem(BROKER_KEY) || ""; } catch (e) { /* */ }
        if (!$("broker").value && location.protocol === "https:")
            $("broker").value = "wss://" + location.hostname + ":8884";
        $("login-form").addEventListener("submit", login);
        $("logout").addEventListener("click", logout);
        ["filter-text", "filter-state", "filter-alarms", "order"].forEach(function (id) {
            $(id).addEventListener("input", render);
        });
        $("pick-shown").addEventListener("click", function () {
            shownOrder.forEach(function (id) { picked[id] = true; });
            render();
            showPicked();
        });
        $("pick-all").addEventListener("click", function () {
            fleet.list().forEach(function (s) { picked[s.id] = true; });
            render();
            showPicked();
        });
        $("pick-none").addEventListener("click", function () {
            picked = {};
            render();
            showPicked();
        });
        fillBulkCommands();
        $("bulk-command").addEventListener("change", showPicked);
        $("bulk-send").addEventListener("click", bulkSend);
        $("bulk-close").addEventListener("click", function () { $("bulk").hidden = true; });
        $("sv-close").addEventListener("click", closeStation);
        document.addEventListener("keydown", function (e) {
            if (e.key === "Escape" && !$("station").hidden) closeStation();
        });
        showPicked();
        if (typeof mqtt === "undefined")
            loginMessage("Страница установлена не полностью: рядом с ней нет mqtt.min.js.");
    }

    init();
})();
