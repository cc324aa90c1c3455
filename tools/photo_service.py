#!/usr/bin/env python3
"""Substitute photo service for Albumora's tests, demo and benchmarks.

Answers, on 127.0.0.1 only, the requests the Instagram adapter sends (profile
page, POST /query/ pages, post views), serves deterministic picture and video
bytes, answers the start-up configuration exchange, and doubles as a plain
HTTP proxy (absolute-form request lines are served by path). See README.md.
Standard library only.
"""

import argparse
import base64
import gzip
import hashlib
import http.server
import json
import os
import re
import signal
import socket
import struct
import sys
import threading
import time
import urllib.parse
from functools import lru_cache

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import media  # noqa: E402

# ------------------------------------------------------------ constants ----

CURRENT_VERSION = "17.02.08.01"

# The configuration exchange (documented in README.md; the desktop program
# keeps these texts enciphered).
CFG_STAGE1_PREFIX = "/gv/stage1"
CFG_SECTION = ("[gv-cfg]", "[/gv-cfg]")
CFG_RECORD = ("[gv-rec]", "[/gv-rec]")
CFG_NOTICE = ("[gv-msg]", "[/gv-msg]")
CFG_SITES = ("[gv-sites]", "[/gv-sites]")
CFG_KEY = "相册下载器"
CFG_SEPARATOR = "^^"
CFG_PLACEHOLDER = "{EDITION}"
CFG_ENTRY_KINDS = ("good", "fields6", "fields8", "nonotice", "nosites", "notfound", "reset")

SITE_NAMES = [
    "QQ相册", "百度相册", "网易相册", "人人网相册", "新浪微博相册", "56相册",
    "POCO相册", "又拍网相册", "51相册", "保留", "PChome相册", "淘宝/天猫/1688",
    "美空相册", "宝宝树相册", "太平洋相册", "虎扑相册", "京东/ZOL", "Instagram",
    "花瓣/堆糖", "Lofter", "Topit",
]

FAULT_KINDS = ("reset", "stall", "error", "truncate", "trickle")

PICTURE_RE = re.compile(r"^(\d+)_([0-9a-f]{8})_n\.(jpg|png|mp4)$")


def xor_escape_encode(text, key=CFG_KEY):
    """The program's literal codec (XOR with the key, escapes for 0, CR and
    LF, then each byte complemented and written as two hex digits)."""
    data = text.encode("gbk")
    k = key.encode("gbk")
    out = bytearray()
    for i, byte in enumerate(data):
        kb = k[i % len(k)]
        x = byte ^ kb
        if x == 0:
            out += bytes([kb]) + b"1"
        elif x == 13:
            out += bytes([kb]) + b"2"
        elif x == 10:
            out += bytes([kb]) + b"3"
        else:
            out.append(x)
    return "".join("%02X" % (0xFF - b) for b in out)


def xor_escape_decode(hex_text, key=CFG_KEY):
    raw = bytes(0xFF - int(hex_text[i:i + 2], 16) for i in range(0, len(hex_text) - 1, 2))
    k = key.encode("gbk")
    out = bytearray()
    i = j = 0
    while i < len(raw):
        kb = k[j % len(k)]
        if raw[i] == kb and i + 1 < len(raw):
            digit = raw[i + 1]
            out.append(kb if digit == ord("1") else kb ^ 13 if digit == ord("2") else kb ^ 10)
            i += 2
        else:
            out.append(raw[i] ^ kb)
            i += 1
        j += 1
    return out.decode("gbk")


CFG_PAYLOAD_MARKER = xor_escape_encode("http://")

# ------------------------------------------------------------- settings ----

DEFAULTS = {
    "profile": "sample_user",
    "posts": 120,
    "first_page": 20,
    "videos": None,          # exact number of videos among the initial posts
    "video_share": 0.0,      # percent, used when "videos" is None and for added posts
    "short_video_urls": 0.0,  # percent of videos whose post view has an empty video_url
    "png_share": 20.0,       # percent of pictures served as PNG data
    "captions": "plain",
    "pic_min_kb": 20,
    "pic_max_kb": 300,
    "video_kb": 0,           # 0: same range as pictures
    "cdn_host": "",          # empty: the host the request was addressed to
    "escape_slashes": False,
    "last_cursor": "empty",  # empty | null | repeat
    "gzip": True,
    "csrf_check": True,
    "syntax_error_profile": 0,
    "syntax_error_query": 0,
    "latency_ms": 0,
    "bandwidth_kbps": 0,     # KiB/s per response, 0 = unlimited
    "fault_scope": "media",  # media | pages | all
    "reset_rate": 0.0,
    "stall_rate": 0.0,
    "error_rate": 0.0,
    "truncate_rate": 0.0,
    "trickle_rate": 0.0,
    "stall_seconds": 40.0,
    "stall_point": "body",   # head | body
    "error_status": 502,
    "trickle_bytes": 8192,
    "trickle_interval_ms": 100,
    "version": CURRENT_VERSION,
    "update_url": "",        # empty: http://<host>/gv/update.htm
    "config_mode": "inline",  # inline | indirect
    "config_entries": ["good"],
    "site_names": SITE_NAMES,
    "seed": 1,
    "log_limit": 200000,
}

INT_KEYS = {"posts", "first_page", "pic_min_kb", "pic_max_kb", "video_kb", "syntax_error_profile",
            "syntax_error_query", "latency_ms", "bandwidth_kbps", "error_status", "trickle_bytes",
            "trickle_interval_ms", "seed", "log_limit"}
FLOAT_KEYS = {"video_share", "short_video_urls", "png_share", "reset_rate", "stall_rate", "error_rate",
              "truncate_rate", "trickle_rate", "stall_seconds"}
BOOL_KEYS = {"escape_slashes", "gzip", "csrf_check"}
LIST_KEYS = {"config_entries", "site_names"}
CAPTION_STYLES = ("plain", "unicode", "quotes", "illegal", "paths", "long", "empty", "mixed")
MIXED_ORDER = ("plain", "unicode", "quotes", "illegal", "paths", "long", "empty")


def coerce(key, value):
    """Turn a query-string or JSON value into the setting's type."""
    if key not in DEFAULTS:
        raise KeyError("unknown setting: %s" % key)
    if key == "videos":
        return None if value in (None, "", "none") else int(value)
    if key in INT_KEYS:
        return int(value)
    if key in FLOAT_KEYS:
        return float(value)
    if key in BOOL_KEYS:
        if isinstance(value, bool):
            return value
        return str(value).lower() in ("1", "true", "yes", "on")
    if key in LIST_KEYS:
        if isinstance(value, list):
            return [str(v) for v in value]
        return [v for v in str(value).split(",") if v] if key == "config_entries" else str(value).split("|")
    return str(value)


# --------------------------------------------------------------- profile ----

class Post:
    """One post. Everything about it derives from (seed, serial number)."""

    __slots__ = ("serial", "id", "code", "caption", "is_video", "png", "short_video_url", "tag", "date")

    def __init__(self, seed, serial, is_video, cfg):
        self.serial = serial
        self.id = str(1400000000000000000 + (seed % 100000) * 1000000000 + serial * 7919)
        rng = media.rng_for("post", seed, serial)
        alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-"
        self.code = "B" + "".join(rng.choice(alphabet) for _ in range(10))
        self.tag = hashlib.sha256(("%s:%s" % (seed, self.id)).encode()).hexdigest()[:8]
        self.is_video = is_video
        self.png = rng.random() * 100 < cfg["png_share"]
        self.short_video_url = is_video and rng.random() * 100 < cfg["short_video_urls"]
        self.date = 1480000000 + serial * 3600
        self.caption = make_caption(cfg["captions"], serial, rng)


def make_caption(style, serial, rng):
    if style == "mixed":
        style = MIXED_ORDER[serial % len(MIXED_ORDER)]
    words = ("lake", "sunset", "city", "forest", "harbour", "market", "snow", "garden")
    if style == "plain":
        return "Photo %d %s" % (serial, rng.choice(words))
    if style == "unicode":
        return "风景 %d café \U0001F304" % serial
    if style == "quotes":
        return 'She said "cheese" %d' % serial
    if style == "illegal":
        return "a:b*c?d<e>f|g\\h/i %d" % serial
    if style == "paths":
        return ("/tmp/x%d" if serial % 2 else "../../x%d") % serial
    if style == "long":
        return ("长" * 300) + str(serial)
    if style == "empty":
        return ""
    raise ValueError("unknown caption style: %s" % style)


class Profile:
    """Posts newest first; new posts can be added at the front at run time."""

    def __init__(self, cfg):
        self.seed = cfg["seed"]
        self.name = cfg["profile"]
        self.owner = str(100000000 + int(hashlib.sha256(("%s:%s" % (self.seed, self.name)).encode())
                                         .hexdigest(), 16) % 900000000)
        self.token = hashlib.sha256(("csrf:%s" % self.seed).encode()).hexdigest()[:32]
        n = cfg["posts"]
        video_serials = set()
        if cfg["videos"] is not None:
            rng = media.rng_for("videos", self.seed)
            video_serials = set(rng.sample(range(1, n + 1), min(max(cfg["videos"], 0), n)))
        self.posts = []  # newest first
        self.by_id = {}
        for serial in range(n, 0, -1):
            if cfg["videos"] is None:
                is_video = media.rng_for("video?", self.seed, serial).random() * 100 < cfg["video_share"]
            else:
                is_video = serial in video_serials
            self._append(Post(self.seed, serial, is_video, cfg))
        self.next_serial = n + 1

    def _append(self, post):
        self.posts.append(post)
        self.by_id[post.id] = post

    def add_newest(self, count, cfg):
        added = []
        for _ in range(count):
            serial = self.next_serial
            self.next_serial += 1
            is_video = media.rng_for("video?", self.seed, serial).random() * 100 < cfg["video_share"]
            post = Post(self.seed, serial, is_video, cfg)
            self.posts.insert(0, post)
            self.by_id[post.id] = post
            added.append(post)
        return added[::-1]  # newest first, like the profile

    @staticmethod
    def cursor_of(post):
        return "AQ" + base64.urlsafe_b64encode(("c" + post.id).encode()).decode().rstrip("=")

    def position_after(self, cursor):
        """Index of the first post after the cursor (a post id or one of our
        end cursors); None for an unknown cursor."""
        post_id = cursor
        if cursor.startswith("AQ"):
            try:
                raw = base64.urlsafe_b64decode(cursor[2:] + "=" * (-len(cursor[2:]) % 4)).decode()
                post_id = raw[1:] if raw.startswith("c") else ""
            except (ValueError, UnicodeDecodeError):
                return None
        post = self.by_id.get(post_id)
        if post is None:
            return None
        return self.posts.index(post) + 1


# ------------------------------------------------------------- the files ----

def picture_path(post):
    return "/hphotos-xaf1/t51.2885-15/s640x640/e35/%s_%s_n.jpg" % (post.id, post.tag)


def thumbnail_path(post):
    return "/hphotos-xaf1/t51.2885-15/s150x150/e35/%s_%s_n.jpg" % (post.id, post.tag)


def video_path(post):
    return "/hphotos-xaf1/t50.2886-16/%s_%s_n.mp4" % (post.id, post.tag)


def rewrite_picture_address(address):
    """What the program does to a picture address (default picture source)."""
    address = address.replace("\\/", "/").replace("/s640x640/", "/s1080x1080/")
    return address.replace("_n.jpg", "_n.png")


@lru_cache(maxsize=32)
def file_bytes(seed, post_id, kind, png, pic_min_kb, pic_max_kb, video_kb):
    """The exact bytes of one file. kind: 'picture' or 'video'."""
    rng = media.rng_for("bytes", seed, post_id, kind)
    if kind == "video":
        size = video_kb * 1024 + rng.randrange(1024) if video_kb else \
            rng.randint(pic_min_kb * 1024, pic_max_kb * 1024)
        return media.make_mp4(size, rng)
    size = rng.randint(pic_min_kb * 1024, pic_max_kb * 1024)
    colour = media.colour_for(seed, post_id)
    # A video's poster is always a JPEG.
    return media.make_png(colour, size, rng) if png else media.make_jpeg(colour, size, rng)


# --------------------------------------------------------------- service ----

class Service:
    """Shared state of the running service; every access holds the lock."""

    def __init__(self, cfg):
        self.lock = threading.Lock()
        self.cfg = dict(cfg)
        self.profile = Profile(self.cfg)
        self.stop = threading.Event()
        self.reset_counters()

    def reset_counters(self):
        self.log = []
        self.seq = 0
        self.kind_counts = {}
        self.fault_counts = {k: 0 for k in FAULT_KINDS}
        self.path_attempts = {}

    def settings(self):
        with self.lock:
            return dict(self.cfg)

    def update(self, changes):
        rebuild = {"profile", "posts", "videos", "video_share", "captions", "seed", "png_share",
                   "short_video_urls"}
        with self.lock:
            new = dict(self.cfg)
            for key, value in changes.items():
                new[key] = coerce(key, value)
            validate(new)
            self.cfg = new
            if rebuild & set(changes):
                self.profile = Profile(self.cfg)
            return dict(self.cfg)

    def count_kind(self, kind):
        with self.lock:
            n = self.kind_counts.get(kind, 0) + 1
            self.kind_counts[kind] = n
            return n

    def choose_fault(self, method, path, scope_kind):
        """Deterministic per (seed, method, path, attempt number), so the same
        requests see the same faults whatever the thread interleaving."""
        with self.lock:
            cfg = self.cfg
            scope = cfg["fault_scope"]
            if scope != "all" and scope != scope_kind:
                return None
            key = (method, path)
            attempt = self.path_attempts.get(key, 0) + 1
            self.path_attempts[key] = attempt
            x = media.rng_for("fault", cfg["seed"], method, path, attempt).random() * 100
            for kind in FAULT_KINDS:
                x -= cfg[kind + "_rate"]
                if x < 0:
                    self.fault_counts[kind] += 1
                    return kind
            return None

    def record(self, entry):
        with self.lock:
            self.seq += 1
            entry["seq"] = self.seq
            self.log.append(entry)
            if len(self.log) > self.cfg["log_limit"]:
                del self.log[: len(self.log) - self.cfg["log_limit"]]

    # -- what a test needs to know about the files --

    def post_summary(self, post, host, with_hashes):
        cfg = self.cfg
        root = "http://" + (cfg["cdn_host"] or host)
        item = {
            "serial": post.serial, "id": post.id, "code": post.code, "caption": post.caption,
            "is_video": post.is_video, "png": post.png, "short_video_url": post.short_video_url,
            "display_src": root + picture_path(post),
            "video_url": "" if not post.is_video or post.short_video_url else root + video_path(post),
        }
        item["expected_address"] = item["video_url"] or (
            item["display_src"] if post.is_video else rewrite_picture_address(item["display_src"]))
        if with_hashes:
            data = self.bytes_for_post(post, "video" if item["video_url"] else "picture")
            item["size"] = len(data)
            item["sha256"] = hashlib.sha256(data).hexdigest()
        return item

    def bytes_for_post(self, post, kind):
        cfg = self.cfg
        return file_bytes(cfg["seed"], post.id, kind, post.png and not post.is_video,
                          cfg["pic_min_kb"], cfg["pic_max_kb"], cfg["video_kb"])

    def bytes_for_path(self, path):
        """Expected bytes for a media path (any host, any folder), or None."""
        m = PICTURE_RE.match(path.rsplit("/", 1)[-1])
        if not m:
            return None
        with self.lock:
            post = self.profile.by_id.get(m.group(1))
            cfg = self.cfg
        if post is None or post.tag != m.group(2) or (m.group(3) == "mp4" and not post.is_video):
            return None
        # Generated outside the lock so parallel downloads do not queue here.
        kind = "video" if m.group(3) == "mp4" else "picture"
        return file_bytes(cfg["seed"], post.id, kind, post.png and not post.is_video,
                          cfg["pic_min_kb"], cfg["pic_max_kb"], cfg["video_kb"])


def validate(cfg):
    if cfg["captions"] not in CAPTION_STYLES:
        raise ValueError("captions must be one of " + ", ".join(CAPTION_STYLES))
    if not 0 < cfg["pic_min_kb"] <= cfg["pic_max_kb"]:
        raise ValueError("picture sizes must satisfy 0 < min <= max")
    if cfg["posts"] < 0 or cfg["first_page"] < 1:
        raise ValueError("posts must be >= 0 and first_page >= 1")
    if cfg["last_cursor"] not in ("empty", "null", "repeat"):
        raise ValueError("last_cursor must be empty, null or repeat")
    if cfg["fault_scope"] not in ("media", "pages", "all"):
        raise ValueError("fault_scope must be media, pages or all")
    if cfg["stall_point"] not in ("head", "body"):
        raise ValueError("stall_point must be head or body")
    if cfg["config_mode"] not in ("inline", "indirect"):
        raise ValueError("config_mode must be inline or indirect")
    for kind in cfg["config_entries"]:
        if kind not in CFG_ENTRY_KINDS:
            raise ValueError("config entry kinds: " + ", ".join(CFG_ENTRY_KINDS))
    if sum(cfg[k + "_rate"] for k in FAULT_KINDS) > 100:
        raise ValueError("fault rates add up to more than 100 percent")


class Reply:
    """A response to send: status, headers, body, and how to misbehave."""

    def __init__(self, status=200, body=b"", ctype="text/html; charset=utf-8", headers=None,
                 kind="other", compressible=False):
        self.status = status
        self.body = body
        self.ctype = ctype
        self.headers = headers or []
        self.kind = kind
        self.compressible = compressible
        self.paced = kind != "admin"


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "PhotoService/1.0"
    sys_version = ""

    # -- plumbing --

    def log_message(self, fmt, *args):  # keep stdout to the LISTENING line
        pass

    @property
    def service(self):
        return self.server.service

    def target(self):
        """(host, path, query, is_proxy_form) of the request line."""
        raw = self.path
        proxy = raw.startswith("http://") or raw.startswith("https://")
        if proxy:
            parts = urllib.parse.urlsplit(raw)
            host = parts.netloc
            path = parts.path or "/"
            query = parts.query
        else:
            host = self.headers.get("Host", "127.0.0.1:%d" % self.server.server_address[1])
            path, _, query = raw.partition("?")
        return host, path, query, proxy

    def read_body(self):
        if self.headers.get("Transfer-Encoding", "").lower() == "chunked":
            body = bytearray()
            while True:
                line = self.rfile.readline(65537)
                size = int(line.split(b";")[0].strip() or b"0", 16)
                if size == 0:
                    while self.rfile.readline(65537) not in (b"\r\n", b"\n", b""):
                        pass
                    return bytes(body)
                body += self.rfile.read(size)
                self.rfile.readline(65537)
        length = int(self.headers.get("Content-Length") or 0)
        return self.rfile.read(length) if length > 0 else b""

    def do_GET(self):
        self.dispatch("GET")

    def do_POST(self):
        self.dispatch("POST")

    def do_HEAD(self):
        self.dispatch("HEAD")

    def do_PUT(self):
        self.dispatch("PUT")

    def do_DELETE(self):
        self.dispatch("DELETE")

    def do_CONNECT(self):
        # Tunnels (https through the proxy) are not offered: loopback http only.
        self.read_body()
        self.send_plain(Reply(405, b"CONNECT is not supported: use http:// addresses\n",
                              "text/plain; charset=utf-8", kind="proxy"), "GET")

    def dispatch(self, method):
        started = time.time()
        body = self.read_body()
        host, path, query, proxy = self.target()
        try:
            reply = self.route(method, host, path, query, body)
        except Exception as exc:  # a bug here must not kill the connection silently
            reply = Reply(500, ("internal error: %r\n" % exc).encode(), "text/plain; charset=utf-8")
        fault = getattr(reply, "force_fault", None)
        if reply.paced and fault is None:
            scope = "media" if reply.kind in ("picture", "video") else "pages"
            fault = self.service.choose_fault(method, path, scope)
        entry = {
            "time": started, "method": method, "target": self.path, "host": host, "path": path,
            "query": query, "proxy": proxy, "headers": [[k, v] for k, v in self.headers.items()],
            "body": body.decode("utf-8", "replace"), "kind": reply.kind, "status": reply.status,
            "fault": fault, "client": "%s:%d" % self.client_address[:2],
        }
        if reply.kind != "admin":
            self.service.record(entry)
        self.send(reply, method, fault)

    # -- sending, with latency, bandwidth and injected faults --

    def send_plain(self, reply, method):
        self.send(reply, method, None)

    def send(self, reply, method, fault):
        cfg = self.service.settings()
        body = reply.body
        headers = [("Content-Type", reply.ctype)] + list(reply.headers)
        if (reply.compressible and cfg["gzip"] and "gzip" in self.headers.get("Accept-Encoding", "")):
            body = gzip.compress(body, mtime=0)
            headers.append(("Content-Encoding", "gzip"))
        if fault == "error":
            reply = Reply(cfg["error_status"], error_page(cfg["error_status"]))
            body = reply.body
            headers = [("Content-Type", reply.ctype)]
        if reply.paced and cfg["latency_ms"] > 0:
            if self.service.stop.wait(cfg["latency_ms"] / 1000.0):
                return self.drop()
        if fault == "reset":
            return self.reset()
        if fault == "stall" and cfg["stall_point"] == "head":
            self.service.stop.wait(cfg["stall_seconds"])
            return self.drop()

        self.send_response(reply.status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        if fault in ("stall", "truncate"):
            self.send_header("Connection", "close")
        self.end_headers()
        if method == "HEAD":
            return

        if fault in ("stall", "truncate"):
            cut = len(body) // 2
            self.write_paced(body[:cut], cfg, reply.paced)
            if fault == "stall":
                self.service.stop.wait(cfg["stall_seconds"])
            return self.drop()
        if fault == "trickle":
            step = max(1, cfg["trickle_bytes"])
            for i in range(0, len(body), step):
                self.wfile.write(body[i:i + step])
                if i + step < len(body) and self.service.stop.wait(cfg["trickle_interval_ms"] / 1000.0):
                    return self.drop()
            return
        self.write_paced(body, cfg, reply.paced)

    def write_paced(self, data, cfg, paced):
        rate = cfg["bandwidth_kbps"] * 1024 if paced else 0
        if rate <= 0:
            self.wfile.write(data)
            return
        step = 16384
        t0 = time.monotonic()
        for i in range(0, len(data), step):
            self.wfile.write(data[i:i + step])
            ahead = (i + step) / rate - (time.monotonic() - t0)
            if ahead > 0 and self.service.stop.wait(ahead):
                return

    def drop(self):
        """Close after what was sent (a short body for the client)."""
        self.close_connection = True
        try:
            self.wfile.flush()
            self.connection.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass

    def reset(self):
        """Abort the connection with a TCP reset."""
        self.close_connection = True
        try:
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            self.rfile.close()
            self.connection.close()
        except OSError:
            pass

    # -- routing --

    def route(self, method, host, path, query, body):
        svc = self.service
        params = urllib.parse.parse_qs(query, keep_blank_values=True)
        if path.startswith("/__admin/"):
            return admin(svc, method, host, path, params, body)
        if path.startswith(CFG_STAGE1_PREFIX):
            return config_stage1(svc, host)
        if path == "/gv/list.txt":
            return config_payload(svc, host)
        if path == "/gv/update.htm":
            return Reply(200, "<html><body><h1>Gramvista 更新</h1><p>新版本下载页</p></body></html>".encode(),
                         kind="config")
        m = re.match(r"^/gv/([^/]+)/e(\d+)\.(php|htm)$", path)
        if m:
            return config_entry(svc, host, int(m.group(2)), m.group(1))
        if path.rstrip("/") == "/query":
            if method != "POST":
                return Reply(405, error_page(405), kind="query")
            return query_page(svc, host, body, self.headers)
        m = re.match(r"^/p/([^/]+)/?$", path)
        if m:
            return post_view(svc, host, m.group(1))
        if PICTURE_RE.match(path.rsplit("/", 1)[-1]):
            data = svc.bytes_for_path(path)
            if data is None:
                return Reply(404, error_page(404), kind="picture")
            mp4 = path.endswith(".mp4")
            ctype = "video/mp4" if mp4 else ("image/png" if data[:4] == b"\x89PNG" else "image/jpeg")
            return Reply(200, data, ctype, kind="video" if mp4 else "picture")
        # "/NAME/" or "/HOST.com/NAME/": the program takes the profile name
        # after the first "com/" of the typed address, so a direct (non-proxy)
        # address must carry one, e.g. http://127.0.0.1:PORT/www.instagram.com/NAME
        m = re.match(r"^/(?:[^/]*\.com/)?([^/]+)/?$", path)
        if m and method in ("GET", "HEAD"):
            return profile_page(svc, host, urllib.parse.unquote(m.group(1)))
        return Reply(404, error_page(404), kind="other")


def error_page(status):
    text = {404: "Page Not Found", 405: "Method Not Allowed", 403: "Forbidden"}.get(status, "Bad Gateway")
    return ("<!DOCTYPE html><html><head><title>%d %s</title></head><body><h1>%d %s</h1>"
            "<p>The server could not complete your request. Please try again later.</p>"
            "</body></html>\n" % (status, text, status, text)).encode()


# ------------------------------------------------------- the Instagram pages ----

def node_json(svc, post, host):
    cfg = svc.cfg
    root = "http://" + (cfg["cdn_host"] or host)
    node = {"id": post.id, "__typename": "GraphVideo" if post.is_video else "GraphImage",
            "code": post.code, "date": post.date,
            "dimensions": {"height": 1080, "width": 1080},
            "comments_disabled": False, "comments": {"count": post.serial % 17}}
    if post.caption:
        node["caption"] = post.caption
    node.update({"likes": {"count": post.serial * 3 % 101}, "owner": {"id": svc.profile.owner},
                 "thumbnail_src": root + thumbnail_path(post), "is_video": post.is_video,
                 "display_src": root + picture_path(post)})
    if post.is_video:
        node["video_views"] = post.serial * 11
    text = json.dumps(node, ensure_ascii=True)
    if cfg["escape_slashes"]:
        text = text.replace("/", "\\/")
    return text


def media_json(svc, host, start, count):
    """The media object: count, page_info, nodes [start, start + count)."""
    prof = svc.profile
    posts = prof.posts[start:start + count]
    more = start + count < len(prof.posts)
    if posts and more:
        end_cursor = json.dumps(prof.cursor_of(posts[-1]))
    elif svc.cfg["last_cursor"] == "null":
        end_cursor = "null"
    elif svc.cfg["last_cursor"] == "repeat" and start > 0:
        end_cursor = json.dumps(prof.cursor_of(prof.posts[start - 1]))
    else:
        end_cursor = '""'
    start_cursor = json.dumps(prof.cursor_of(posts[0])) if posts else "null"
    nodes = ", ".join(node_json(svc, p, host) for p in posts)
    return ('{"count": %d, "page_info": {"has_previous_page": %s, "start_cursor": %s, '
            '"end_cursor": %s, "has_next_page": %s}, "nodes": [%s]}'
            % (len(prof.posts), "true" if start else "false", start_cursor, end_cursor,
               "true" if more else "false", nodes))


SYNTAX_ERROR = b'{"message": "syntax error", "status": "fail"}'


def profile_page(svc, host, name):
    n = svc.count_kind("profile")
    with svc.lock:
        prof = svc.profile
        if name.lower() != prof.name.lower():
            return Reply(404, error_page(404), kind="profile")
        cookie = ("csrftoken=%s; expires=Thu, 01-Jan-2037 00:00:00 GMT; Max-Age=31449600; Path=/"
                  % prof.token)
        if host.split(":")[0].endswith("instagram.com"):
            cookie += "; Domain=.instagram.com"
        headers = [("Set-Cookie", cookie), ("Cache-Control", "private, no-cache, no-store, must-revalidate")]
        if n <= svc.cfg["syntax_error_profile"]:
            return Reply(200, SYNTAX_ERROR, "application/json", headers, kind="profile")
        media_text = media_json(svc, host, 0, svc.cfg["first_page"])
        shared = ('{"config": {"csrf_token": "%s", "viewer": null}, "country_code": "CN", '
                  '"entry_data": {"ProfilePage": [{"user": {"username": %s, "id": "%s", '
                  '"full_name": %s, "is_private": false, "media": %s}}]}}'
                  % (prof.token, json.dumps(prof.name), prof.owner,
                     json.dumps(prof.name.title()), media_text))
    page = ('<!DOCTYPE html>\n<html lang="en">\n<head>\n<meta charset="utf-8">\n'
            '<title>%s (@%s) &bull; Instagram photos and videos</title>\n</head>\n<body>\n'
            '<span id="react-root"></span>\n<script type="text/javascript">window._sharedData = %s;'
            '</script>\n</body>\n</html>\n' % (name, name, shared))
    return Reply(200, page.encode(), headers=headers, kind="profile", compressible=True)


QUERY_RE = re.compile(r"ig_user\(([^)]*)\)\+%7B\+media\.after\(([^)]*?)%2C\+(\d+)\)")


def query_page(svc, host, body, headers):
    n = svc.count_kind("query")
    text = body.decode("latin-1")
    m = QUERY_RE.search(text)
    if not m:
        return Reply(400, b'{"message": "bad query", "status": "fail"}', "application/json", kind="query")
    owner, cursor, count = m.group(1), urllib.parse.unquote(m.group(2)), int(m.group(3))
    with svc.lock:
        prof = svc.profile
        if svc.cfg["csrf_check"] and headers.get("x-csrftoken", "").strip() != prof.token:
            return Reply(403, b'{"message": "CSRF token missing or incorrect", "status": "fail"}',
                         "application/json", kind="query")
        if n <= svc.cfg["syntax_error_query"]:
            return Reply(200, SYNTAX_ERROR, "application/json", kind="query")
        if owner != prof.owner:
            return Reply(200, b'{"media": {"count": 0, "page_info": {"end_cursor": "", '
                              b'"has_next_page": false}, "nodes": []}, "status": "ok"}',
                         "application/json", kind="query")
        start = prof.position_after(cursor)
        if start is None:
            start = len(prof.posts)  # unknown cursor: nothing more
        page = '{"media": %s, "status": "ok"}' % media_json(svc, host, start, min(max(count, 0), 500))
    return Reply(200, page.encode(), "application/json", kind="query", compressible=True)


def post_view(svc, host, code):
    with svc.lock:
        post = next((p for p in svc.profile.posts if p.code == code), None)
        if post is None:
            return Reply(404, error_page(404), kind="postview")
        summary = svc.post_summary(post, host, False)
        view = {"media": {"id": post.id, "code": post.code, "is_video": post.is_video,
                          "owner": {"id": svc.profile.owner, "username": svc.profile.name},
                          "display_src": summary["display_src"]}}
        if post.is_video:
            view["media"]["video_url"] = summary["video_url"]
            view["media"]["video_views"] = post.serial * 11
    return Reply(200, json.dumps(view).encode(), "application/json", kind="postview", compressible=True)


# ------------------------------------------------- configuration exchange ----

def wrap(text, width=64):
    return "\r\n".join(text[i:i + width] for i in range(0, len(text), width))


def config_payload_text(svc, host):
    entries = svc.settings()["config_entries"]
    plain = CFG_SEPARATOR.join("http://%s/gv/%s/e%d.htm" % (host, CFG_PLACEHOLDER, i)
                               for i in range(len(entries)))
    return xor_escape_encode(plain)


def config_stage1(svc, host):
    if svc.settings()["config_mode"] == "inline":
        section = wrap(config_payload_text(svc, host))
    else:
        section = "http://%s/gv/list.txt" % host
    page = "<html><body>\r\n%s%s%s\r\n</body></html>\r\n" % (CFG_SECTION[0], section, CFG_SECTION[1])
    return Reply(200, page.encode(), kind="config", compressible=True)


def config_payload(svc, host):
    return Reply(200, (wrap(config_payload_text(svc, host)) + "\r\n").encode(), "text/plain; charset=utf-8",
                 kind="config", compressible=True)


def config_entry(svc, host, index, edition):
    cfg = svc.settings()
    entries = cfg["config_entries"]
    kind = entries[index] if 0 <= index < len(entries) else "notfound"
    if kind == "notfound":
        return Reply(404, error_page(404), kind="config")
    if kind == "reset":
        r = Reply(200, b"", kind="config")
        r.force_fault = "reset"
        return r
    update = cfg["update_url"] or "http://%s/gv/update.htm" % host
    fields = [cfg["version"], update, edition, "20170208", "1", "0", ""]
    if kind == "fields6":
        fields = fields[:6]
    elif kind == "fields8":
        fields = fields + ["extra"]
    parts = ["<html><body>", "%s%s%s" % (CFG_RECORD[0], "|".join(fields), CFG_RECORD[1])]
    if kind != "nonotice":
        parts.append("%s欢迎使用 Gramvista。\\\n祝您使用愉快！%s" % CFG_NOTICE)
    if kind != "nosites":
        parts.append("%s%s%s" % (CFG_SITES[0], "|".join(cfg["site_names"]), CFG_SITES[1]))
    parts.append("</body></html>")
    return Reply(200, "\n".join(parts).encode(), kind="config", compressible=True)


# ---------------------------------------------------------------- admin ----

def admin(svc, method, host, path, params, body):
    def one(name, default=None):
        return params.get(name, [default])[0]

    def ok(obj, status=200):
        r = Reply(status, (json.dumps(obj, ensure_ascii=False, indent=1) + "\n").encode(),
                  "application/json; charset=utf-8", kind="admin")
        return r

    name = path[len("/__admin/"):].rstrip("/")
    # Addresses in answers use the host the pages were asked for; through the
    # proxy that is another host than the admin request's own.
    host = one("host", host)
    try:
        if name == "requests":
            since = int(one("since", "0"))
            kind = one("kind")
            with svc.lock:
                items = [e for e in svc.log if e["seq"] > since and (kind is None or e["kind"] == kind)]
                if one("clear") in ("1", "true"):
                    svc.log = []
            return ok(items)
        if name == "reset":
            with svc.lock:
                svc.reset_counters()
            return ok({"reset": True})
        if name == "stats":
            with svc.lock:
                return ok({"requests": svc.seq, "kinds": svc.kind_counts, "faults": svc.fault_counts,
                           "posts": len(svc.profile.posts)})
        if name == "config":
            changes = {k: v[-1] for k, v in params.items()}  # the last of repeated keys wins
            if body.strip():
                changes.update(json.loads(body.decode("utf-8")))
            cfg = svc.update(changes) if changes else svc.settings()
            return ok(cfg)
        if name == "add-posts":
            n = int(one("n", "1"))
            with svc.lock:
                added = svc.profile.add_newest(n, svc.cfg)
                return ok([svc.post_summary(p, host, False) for p in added])
        if name == "posts":
            hashes = one("hashes") in ("1", "true")
            with svc.lock:
                return ok({"profile": svc.profile.name, "owner": svc.profile.owner,
                           "csrftoken": svc.profile.token,
                           "posts": [svc.post_summary(p, host, hashes) for p in svc.profile.posts]})
        if name in ("expected", "bytes"):
            url = one("url", "")
            data = svc.bytes_for_path(urllib.parse.urlsplit(url).path or url)
            if data is None:
                return ok({"error": "not a file of this service", "url": url}, 404)
            if name == "bytes":
                return Reply(200, data, "application/octet-stream", kind="admin")
            return ok({"url": url, "size": len(data), "sha256": hashlib.sha256(data).hexdigest(),
                       "type": "png" if data[:4] == b"\x89PNG" else "mp4" if data[4:8] == b"ftyp" else "jpeg"})
        if name == "shutdown":
            threading.Thread(target=svc.server.shutdown, daemon=True).start()
            svc.stop.set()
            return ok({"stopping": True})
    except (ValueError, KeyError, TypeError) as exc:
        return ok({"error": str(exc)}, 400)
    return ok({"error": "unknown admin endpoint", "path": path}, 404)


# ----------------------------------------------------------------- server ----

class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    request_queue_size = 256
    allow_reuse_address = True

    def handle_error(self, request, client_address):
        # Clients that give up (time-outs, resets) are normal here, not errors.
        if isinstance(sys.exc_info()[1], (ConnectionError, TimeoutError, OSError)):
            return
        super().handle_error(request, client_address)


def build_parser():
    d = DEFAULTS
    p = argparse.ArgumentParser(
        prog="photo_service.py",
        description="Substitute photo service (loopback only) for Albumora's tests and demo. "
                    "Prints 'LISTENING 127.0.0.1:PORT' on stdout once ready. See tools/README.md.")
    a = p.add_argument
    a("--port", type=int, default=0, help="listen port on 127.0.0.1 (0 = any free port)")
    a("--profile", default=d["profile"], help="profile name served at /NAME/ (default %(default)s)")
    a("--posts", type=int, default=d["posts"], help="number of posts (default %(default)s)")
    a("--first-page", type=int, default=d["first_page"],
      help="posts on the profile page; queries page by their own count (default %(default)s)")
    a("--videos", type=int, default=None, help="exact number of videos among the posts")
    a("--video-share", type=float, default=d["video_share"],
      help="percent of posts that are videos when --videos is not given, and of added posts")
    a("--short-video-urls", type=float, default=d["short_video_urls"],
      help="percent of videos whose post view carries an empty video_url")
    a("--png-share", type=float, default=d["png_share"], help="percent of pictures sent as PNG data")
    a("--captions", choices=CAPTION_STYLES, default=d["captions"], help="caption style (default %(default)s)")
    a("--pic-min-kb", type=int, default=d["pic_min_kb"], help="smallest picture in KiB (default %(default)s)")
    a("--pic-max-kb", type=int, default=d["pic_max_kb"], help="largest picture in KiB (default %(default)s)")
    a("--video-kb", type=int, default=d["video_kb"], help="video size in KiB (0 = picture range)")
    a("--cdn-host", default=d["cdn_host"], help="host of picture addresses (default: the requested host)")
    a("--escape-slashes", action="store_true", help='write "/" as "\\/" in the pages\' node JSON')
    a("--last-cursor", choices=("empty", "null", "repeat"), default=d["last_cursor"],
      help="end_cursor of the last page (default %(default)s)")
    a("--no-gzip", dest="gzip", action="store_false", help="never compress pages")
    a("--no-csrf-check", dest="csrf_check", action="store_false",
      help="accept queries without the right x-csrftoken header")
    a("--syntax-error-profile", type=int, default=0, help="answer the first N profile pages with a syntax error")
    a("--syntax-error-query", type=int, default=0, help="answer the first N queries with a syntax error")
    a("--latency-ms", type=int, default=0, help="delay before every response head")
    a("--bandwidth-kbps", type=int, default=0, help="KiB/s per response body (0 = unlimited)")
    a("--fault-scope", choices=("media", "pages", "all"), default=d["fault_scope"],
      help="which responses faults may hit (default %(default)s)")
    for kind, text in (("reset", "connection resets"), ("stall", "stalls longer than --stall-seconds"),
                       ("error", "HTML error pages"), ("truncate", "truncated bodies"),
                       ("trickle", "slow trickles")):
        a("--%s-rate" % kind, type=float, default=0.0, help="percent of responses with " + text)
    a("--stall-seconds", type=float, default=d["stall_seconds"], help="length of a stall (default %(default)s)")
    a("--stall-point", choices=("head", "body"), default=d["stall_point"],
      help="stall before the head or after half the body (default %(default)s)")
    a("--error-status", type=int, default=d["error_status"], help="status of error pages (default %(default)s)")
    a("--trickle-bytes", type=int, default=d["trickle_bytes"], help="bytes per trickle step")
    a("--trickle-interval-ms", type=int, default=d["trickle_interval_ms"], help="pause between trickle steps")
    a("--newest-version", dest="version", default=d["version"], help="newest program version reported (default %(default)s)")
    a("--update-url", default="", help="update page address reported (default http://HOST/gv/update.htm)")
    a("--config-mode", choices=("inline", "indirect"), default=d["config_mode"],
      help="first stage carries the address list itself or the address of it")
    a("--config-entries", default="good",
      help="comma list of second-stage entry kinds: " + ", ".join(CFG_ENTRY_KINDS))
    a("--seed", type=int, default=d["seed"], help="seed of every generated thing (default %(default)s)")
    return p


def main(argv=None):
    args = build_parser().parse_args(argv)
    cfg = dict(DEFAULTS)
    for key in DEFAULTS:
        if hasattr(args, key) and key not in ("config_entries",):
            cfg[key] = getattr(args, key)
    cfg["config_entries"] = coerce("config_entries", args.config_entries)
    try:
        validate(cfg)
    except ValueError as exc:
        print("photo_service: %s" % exc, file=sys.stderr)
        return 2

    service = Service(cfg)
    server = Server(("127.0.0.1", args.port), Handler)
    server.service = service
    service.server = server

    def stop(_signum, _frame):
        service.stop.set()
        threading.Thread(target=server.shutdown, daemon=True).start()

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    print("LISTENING 127.0.0.1:%d" % server.server_address[1], flush=True)
    try:
        server.serve_forever(poll_interval=0.2)
    finally:
        service.stop.set()
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
