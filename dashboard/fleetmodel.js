// What the page knows of every station, from the topics under velumo/<station>/: the retained
// "online" and "status", the "events" as they come. No drawing here: dashboard.js reads it.
// A classic script (the broker's http_dir sends no Content-Type, so no modules): one global.
"use strict";

var VelumoFleet = (function () {
    // A station that reports nothing for longer than twice its status interval is stale.
    var DEFAULT_STATUS_INTERVAL_S = 60;
    // Events kept for every station, and for the one whose view is open.
    var EVENTS_KEPT = 20;
    var EVENTS_KEPT_OPEN = 300;
    // Cleared alarms shown beside the raised ones.
    var CLEARED_KEPT = 5;
    // After the page's own link is back, what the broker holds is given this long to arrive
    // before silence counts again.
    var SETTLE_MS = 3000;

    var STATE_ORDER = { offline: 0, stale: 1, unknown: 3, online: 4 };
    var KIND_NAMES = {
        clip: "клип",
        external: "плеер",
        slideshow: "слайды",
        flash: "флэш",
        web: "веб",
        capture: "захват"
    };

    function isStationId(id) {
        return /^[A-Za-z0-9_-]{1,64}$/.test(id);
    }

    // ISO time with or without an offset; NaN when there is none.
    function parseTime(text) {
        if (typeof text !== "string" || text === "") return NaN;
        return Date.parse(text);
    }

    function decode(payload) {
        if (typeof payload === "string") return payload;
        return new TextDecoder("utf-8").decode(payload);
    }

    function parseJson(text) {
        try {
            var value = JSON.parse(text);
            return value && typeof value === "object" ? value : null;
        } catch (e) {
            return null;
        }
    }

    function Station(id, link) {
        this.id = id;
        this.link = link; // the page's own link to the broker, shared by every station
        this.online = null; // null: never heard of "online"
        this.onlineSince = NaN; // when the present "online" value began, as far as we know
        this.status = null;
        this.statusTime = NaN; // the station's own time of its status
        this.lastSeen = NaN; // the last sign of life: a live status, event or "online 1"
        this.lastEvent = NaN; // the station's time of its last event
        this.lastEventKind = "";
        this.alarms = {}; // id -> {id, text, raised, cleared (NaN while raised)}
        this.events = []; // newest first
        this.stripText = "";
        this.version = 0; // bumped on every change the page shows
    }

    Station.prototype.statusIntervalMs = function () {
        var s = this.status && Number(this.status.status_interval_s);
        return (s > 0 ? s : DEFAULT_STATUS_INTERVAL_S) * 1000;
    };

    Station.prototype.state = function (now) {
        if (this.online === null) return "unknown";
        if (!this.online) return "offline";
        // While the page hears nothing itself, a station's silence is not the station's.
        var heard = isNaN(this.link.lostAt) ? now : Math.min(now, this.link.lostAt);
        if (!(heard - this.lastSeen <= 2 * this.statusIntervalMs())) return "stale";
        return "online";
    };

    Station.prototype.activeAlarms = function () {
        var list = [];
        for (var id in this.alarms) if (isNaN(this.alarms[id].cleared)) list.push(this.alarms[id]);
        list.sort(function (a, b) { return a.raised - b.raised; });
        return list;
    };

    Station.prototype.clearedAlarms = function () {
        var list = [];
        for (var id in this.alarms) if (!isNaN(this.alarms[id].cleared)) list.push(this.alarms[id]);
        list.sort(function (a, b) { return b.cleared - a.cleared; });
        return list;
    };

    Station.prototype.allowed = function () {
        var allow = this.status && this.status.allow;
        return Array.isArray(allow) ? allow : null;
    };

    // What is on air: "клип news.mp4 (k1)", one a player.
    Station.prototype.onAir = function () {
        var onAir = this.status && this.status.on_air;
        var players = onAir && Array.isArray(onAir.players) ? onAir.players : [];
        return players.map(function (p) {
            var target = String(p.file || p.address || "");
            var name = p.address ? target : target.split(/[\\/]/).pop();
            var kind = KIND_NAMES[p.kind] || String(p.kind || p.letter || "");
            return kind + " " + name + " (" + String(p.letter || "") + String(p.slot || "") + ")";
        });
    };

    Station.prototype.planLine = function () {
        var onAir = this.status && this.status.on_air;
        return onAir && typeof onAir.plan_line === "string" ? onAir.plan_line : "";
    };

    // The announcement on the strip, as the status names it; else the last one shown.
    Station.prototype.stripNow = function () {
        var block = this.status && this.status.block;
        var onAir = block && block.on_air;
        if (onAir && typeof onAir.text === "string" && onAir.text !== "") return onAir.text;
        return this.stripText;
    };

    Station.prototype.tickerRunning = function () {
        var ticker = this.status && this.status.ticker;
        return ticker && typeof ticker.running === "boolean" ? ticker.running : null;
    };

    Station.prototype.uptimeS = function (now) {
        var up = this.status ? Number(this.status.uptime_s) : NaN;
        if (!(up >= 0)) return NaN;
        // The uptime went on since the status was made, while the station is online.
        var at = isNaN(this.statusTime) ? now : Math.min(now, this.statusTime);
        return this.online ? up + Math.max(0, (now - at) / 1000) : up;
    };

    Station.prototype.raise = function (id, text, raised) {
        var alarm = this.alarms[id];
        if (alarm && isNaN(alarm.cleared)) {
            if (text) alarm.text = text;
            return false;
        }
        this.alarms[id] = { id: id, text: text || (alarm ? alarm.text : ""), raised: raised,
                            cleared: NaN };
        return true;
    };

    Station.prototype.clear = function (id, cleared) {
        var alarm = this.alarms[id];
        if (!alarm || !isNaN(alarm.cleared)) return false;
        alarm.cleared = cleared;
        var old = this.clearedAlarms();
        for (var i = CLEARED_KEPT; i < old.length; ++i) delete this.alarms[old[i].id];
        return true;
    };

    function Fleet() {
        this.stations = {};
        this.openStation = ""; // whose view is open: it keeps more events
        this.link = { lostAt: NaN };
    }

    Fleet.prototype.station = function (id) {
        var s = this.stations[id];
        if (!s) s = this.stations[id] = new Station(id, this.link);
        return s;
    };

    // The page's link to the broker went down: from now on nothing heard means nothing.
    Fleet.prototype.linkLost = function (now) {
        if (isNaN(this.link.lostAt)) this.link.lostAt = now;
    };

    // It is back: the time it was down is not counted as any station's silence.
    Fleet.prototype.linkBack = function (now) {
        var lostAt = this.link.lostAt;
        if (isNaN(lostAt)) return;
        this.link.lostAt = NaN;
        var credit = Math.max(0, now - lostAt) + SETTLE_MS;
        for (var id in this.stations) this.stations[id].lastSeen += credit;
    };

    Fleet.prototype.list = function () {
        var out = [];
        for (var id in this.stations) out.push(this.stations[id]);
        return out;
    };

    // One message of velumo/<station>/{online,status,events}; the station it changed, or null.
    // Nothing else (screenshots, replies) ever touches a station's state.
    Fleet.prototype.take = function (topic, payload, retained, now) {
        var parts = topic.split("/");
        if (parts.length !== 3 || parts[0] !== "velumo" || !isStationId(parts[1])) return null;
        var leaf = parts[2];
        if (leaf !== "online" && leaf !== "status" && leaf !== "events") return null;
        var s = this.station(parts[1]);
        var text = decode(payload);
        if (leaf === "online") this.takeOnline(s, text, retained, now);
        else if (leaf === "status") this.takeStatus(s, text, retained, now);
        else this.takeEvent(s, text, now);
        s.version++;
        return s;
    };

    Fleet.prototype.takeOnline = function (s, text, retained, now) {
        var online = text === "1";
        if (s.online !== online) s.onlineSince = retained ? NaN : now;
        s.online = online;
        if (online && !retained) s.lastSeen = now;
    };

    Fleet.prototype.takeStatus = function (s, text, retained, now) {
        var status = parseJson(text);
        if (!status) return;
        var at = parseTime(status.time);
        s.status = status;
        s.statusTime = isNaN(at) ? now : at;
        // A retained status may be old: it says the station lived when it was made.
        var seen = retained && !isNaN(at) ? Math.min(now, at) : now;
        if (!(s.lastSeen >= seen)) s.lastSeen = seen;
        // The status holds the alarms raised now; one it no longer holds was cleared.
        var present = {};
        var alarms = Array.isArray(status.alarms) ? status.alarms : [];
        for (var i = 0; i < alarms.length; ++i) {
            var a = alarms[i];
            var id = a && typeof a === "object" ? String(a.id || a.name || "") : String(a);
            if (!id) continue;
            present[id] = true;
            var since = parseTime(a.since);
            s.raise(id, a.text ? String(a.text) : "", isNaN(since) ? s.statusTime : since);
        }
        for (var known in s.alarms) {
            var alarm = s.alarms[known];
            if (!present[known] && isNaN(alarm.cleared) && s.statusTime >= alarm.raised)
                s.clear(known, s.statusTime);
        }
    };

    Fleet.prototype.takeEvent = function (s, text, now) {
        var event = parseJson(text);
        if (!event) return;
        var at = parseTime(event.time);
        if (isNaN(at)) at = now;
        s.lastSeen = now;
        if (!(s.lastEvent > at)) {
            s.lastEvent = at;
            s.lastEventKind = String(event.kind || "");
        }
        var fields = event.fields && typeof event.fields === "object" ? event.fields : {};
        // An event older than the status (a spool draining after an outage) is history: the
        // status already says which alarms are raised now.
        if (event.kind === "alarm" && fields.id && !(at < s.statusTime)) {
            if (fields.event === "raised") {
                var since = parseTime(fields.since);
                s.raise(String(fields.id), String(fields.text || ""), isNaN(since) ? at : since);
            } else if (fields.event === "cleared") {
                s.clear(String(fields.id), at);
            }
        }
        if (event.kind === "ticker" && typeof fields.text === "string" && fields.text !== "")
            s.stripText = fields.text;
        s.events.unshift({ seq: event.seq, time: at, kind: String(event.kind || ""),
                           fields: fields });
        var kept = this.openStation === s.id ? EVENTS_KEPT_OPEN : EVENTS_KEPT;
        if (s.events.length > kept) s.events.length = kept;
    };

    Fleet.prototype.setOpen = function (id) {
        var old = this.stations[this.openStation];
        if (old && old.events.length > EVENTS_KEPT) old.events.length = EVENTS_KEPT;
        this.openStation = id || "";
    };

    // Worst first: offline, stale, with an alarm raised, never seen, online; then by name.
    function rank(s, now) {
        var state = s.state(now);
        if (state === "online" && s.activeAlarms().length > 0) return 2;
        return STATE_ORDER[state];
    }

    function compareBy(order, now) {
        var byName = function (a, b) { return a.id < b.id ? -1 : a.id > b.id ? 1 : 0; };
        if (order === "name") return byName;
        if (order === "event")
            return function (a, b) {
                var x = isNaN(a.lastEvent) ? -Infinity : a.lastEvent;
                var y = isNaN(b.lastEvent) ? -Infinity : b.lastEvent;
                return x !== y ? x - y : byName(a, b);
            };
        return function (a, b) {
            var d = rank(a, now) - rank(b, now);
            return d !== 0 ? d : byName(a, b);
        };
    }

    // The stations a filter lets through, in the order asked for.
    Fleet.prototype.view = function (filter, now) {
        var text = (filter.text || "").trim().toLowerCase();
        var list = this.list().filter(function (s) {
            if (text && s.id.toLowerCase().indexOf(text) < 0) return false;
            if (filter.state && filter.state !== "all" && s.state(now) !== filter.state)
                return false;
            if (filter.alarms && s.activeAlarms().length === 0) return false;
            return true;
        });
        list.sort(compareBy(filter.order, now));
        return list;
    };

    // "2 с", "5 мин", "3 ч", "4 дн"
    function age(ms) {
        if (isNaN(ms)) return "—";
        var s = Math.max(0, Math.floor(ms / 1000));
        if (s < 120) return s + " с";
        if (s < 7200) return Math.floor(s / 60) + " мин";
        if (s < 172800) return Math.floor(s / 3600) + " ч";
        return Math.floor(s / 86400) + " дн";
    }

    function clock(ms) {
        if (isNaN(ms)) return "—";
        var d = new Date(ms);
        var two = function (n) { return (n < 10 ? "0" : "") + n; };
        var today = new Date();
        var time = two(d.getHours()) + ":" + two(d.getMinutes()) + ":" + two(d.getSeconds());
        if (d.toDateString() === today.toDateString()) return time;
        return two(d.getDate()) + "." + two(d.getMonth() + 1) + " " + time;
    }

    return {
        Fleet: Fleet,
        Station: Station,
        isStationId: isStationId,
        age: age,
        clock: clock,
        STATE_NAMES: {
            online: "в сети",
            stale: "молчит",
            offline: "нет связи",
            unknown: "неизвестно"
        }
    };
})();
