"""Self-test of the substitute photo service: runs the real service in a child
process on loopback and talks to it the way the program does."""

import hashlib
import http.client
import json
import os
import signal
import socket
import struct
import subprocess
import sys
import threading
import time
import unittest
import urllib.parse
import zlib
import gzip

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import photo_service  # noqa: E402

QUERY_FORMAT = (
    "q=ig_user(%s)+%%7B+media.after(%s%%2C+50)+%%7B%%0A++count%%2C%%0A++nodes+%%7B%%0A++++caption%%2C%%0A"
    "++++code%%2C%%0A++++comments+%%7B%%0A++++++count%%0A++++%%7D%%2C%%0A++++comments_disabled%%2C%%0A"
    "++++date%%2C%%0A++++dimensions+%%7B%%0A++++++height%%2C%%0A++++++width%%0A++++%%7D%%2C%%0A"
    "++++display_src%%2C%%0A++++id%%2C%%0A++++is_video%%2C%%0A++++likes+%%7B%%0A++++++count%%0A++++%%7D"
    "%%2C%%0A++++owner+%%7B%%0A++++++id%%0A++++%%7D%%2C%%0A++++thumbnail_src%%2C%%0A++++video_views%%0A"
    "++%%7D%%2C%%0A++page_info%%0A%%7D%%0A+%%7D&ref=users%%3A%%3Ashow&query_id=17846611669135658")


def mid(text, start, end):
    """Text between the first start marker and the next end marker, or ""."""
    p = text.find(start)
    if p < 0:
        return ""
    rest = text[p + len(start):]
    q = rest.find(end)
    return rest[:q] if q >= 0 else ""


def unescape_u(text):
    pieces = text.split("\\u")
    out = pieces[0]
    for piece in pieces[1:]:
        if len(piece) >= 4:
            out += chr(int(piece[:4], 16)) + piece[4:]
        else:
            out += piece
    return out


class Running:
    """The service in a child process."""

    def __init__(self, *args):
        self.proc = subprocess.Popen([sys.executable, os.path.join(HERE, "photo_service.py"), "--port", "0"]
                                     + list(args), stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        line = self.proc.stdout.readline()
        if not line.startswith("LISTENING 127.0.0.1:"):
            self.proc.kill()
            raise RuntimeError("service did not start: %r %s" % (line, self.proc.stderr.read()))
        self.port = int(line.strip().rsplit(":", 1)[1])
        self.root = "http://127.0.0.1:%d" % self.port

    def stop(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.proc.stdout.close()
        self.proc.stderr.close()
        return self.proc.returncode

    def request(self, method, url, body=None, headers=None, proxy=False, timeout=10):
        """(status, headers, body) with gzip undone; `url` absolute."""
        parts = urllib.parse.urlsplit(url)
        if proxy:
            conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=timeout)
            target = url
        else:
            conn = http.client.HTTPConnection(parts.hostname, parts.port or 80, timeout=timeout)
            target = parts.path + ("?" + parts.query if parts.query else "")
        try:
            hdrs = dict(headers or {})
            if proxy:
                hdrs.setdefault("Host", parts.netloc)
            conn.request(method, target, body=body, headers=hdrs)
            resp = conn.getresponse()
            data = resp.read()
            if resp.getheader("Content-Encoding") == "gzip":
                data = gzip.decompress(data)
            return resp.status, resp, data
        finally:
            conn.close()

    def admin(self, what):
        status, _, data = self.request("GET", self.root + "/__admin/" + what)
        return json.loads(data.decode())


def walk(svc, root, profile="sample_user", proxy=False):
    """Enumerate the profile as the program's adapter does; returns the list
    of (address, caption) and the number of pages."""
    found = []
    cookie = ""
    status, resp, data = svc.request("GET", root + "/" + profile, proxy=proxy,
                                     headers={"Accept-Encoding": "gzip, deflate"})
    for name, value in resp.getheaders():
        if name.lower() == "set-cookie" and value.startswith("csrftoken="):
            cookie = value.split(";")[0][len("csrftoken="):]
    page = data.decode()
    page_no = 0
    sent = ""
    while True:
        page_no += 1
        cursor = mid(page, 'end_cursor":', ",").replace('"', "").replace("}", "").strip()
        owner = mid(page, 'owner": {"id": "', '"')
        p = page.find('"nodes"')
        nodes = page[p + len('"nodes"'):].split("}, {") if p >= 0 else []
        if len(nodes) < 2:
            break
        for node in nodes:
            caption = unescape_u(mid(node, 'caption": "', '"'))
            address = mid(node, 'display_src": "', '"')
            if not address:
                continue
            if page_no == 1:
                cursor = mid(node, '"id": "', '"')
            if node.find('is_video": true') > 0:
                code = mid(node, 'code": "', '"')
                st, _, view = svc.request("GET", root + "/p/%s/?taken-by=%s&__a=1" % (code, profile), proxy=proxy)
                video = mid(view.decode(), 'video_url": "', '"')
                if len(video) > 10:
                    address = video
            else:
                address = address.replace("\\/", "/").replace("/s640x640/", "/s1080x1080/")
                address = address.replace("_n.jpg", "_n.png")
            found.append((address, caption))
        if not cursor or cursor in sent:
            break
        sent = QUERY_FORMAT % (owner, cursor)
        st, _, data = svc.request("POST", root + "/query/", body=sent.encode(), proxy=proxy, headers={
            "x-csrftoken": cookie, "content-type": "application/x-www-form-urlencoded",
            "Accept-Encoding": "gzip, deflate"})
        page = data.decode()
    return found, page_no


class ProfileWalk(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.svc = Running("--posts", "120", "--videos", "5", "--captions", "mixed", "--pic-max-kb", "60")

    @classmethod
    def tearDownClass(cls):
        cls.svc.stop()

    def test_walk_finds_every_post_with_exact_bytes(self):
        svc = self.svc
        svc.admin("reset")
        found, pages = walk(svc, svc.root)
        posts = svc.admin("posts?hashes=1")["posts"]
        self.assertEqual(pages, 3)  # profile page + 2 queries
        self.assertEqual([a for a, _ in found], [p["expected_address"] for p in posts])
        self.assertEqual(sum(1 for a, _ in found if a.endswith(".mp4")), 5)
        for (address, _), post in zip(found, posts):
            status, resp, data = svc.request("GET", address)
            self.assertEqual(status, 200)
            self.assertEqual(hashlib.sha256(data).hexdigest(), post["sha256"], address)
            if address.endswith(".mp4"):
                self.assertEqual(data[4:8], b"ftyp")
            else:
                self.assertTrue(data[:2] == b"\xff\xd8" or data[:4] == b"\x89PNG", address)

        # The first query carries the last profile-page post's id and the token.
        queries = svc.admin("requests?kind=query")
        self.assertEqual(len(queries), 2)
        first = dict((k.lower(), v) for k, v in queries[0]["headers"])
        self.assertEqual(first["x-csrftoken"], svc.admin("posts")["csrftoken"])
        self.assertIn("media.after(%s%%2C+50)" % posts[19]["id"], queries[0]["body"])

    def test_captions_survive_the_escapes(self):
        found, _ = walk(self.svc, self.svc.root)
        posts = self.svc.admin("posts")["posts"]
        by_style = {}
        for (_, caption), post in zip(found, posts):
            by_style.setdefault(post["serial"] % 7, (caption, post["caption"]))
        # plain, unicode (with a surrogate pair), path and long captions arrive whole;
        # a quote cuts the caption (the program's rule); empty stays empty.
        for style in (0, 1, 4, 5, 6):
            got, want = by_style[style]
            self.assertEqual(got.encode("utf-16", "surrogatepass").decode("utf-16"), want)
        self.assertEqual(by_style[2][0], "She said \\")

    def test_files_are_valid_pictures(self):
        posts = self.svc.admin("posts")["posts"]
        png = next(p for p in posts if p["png"] and not p["is_video"])
        data = self.svc.request("GET", png["expected_address"])[2]
        pos = 8
        kinds = []
        while pos < len(data):
            length, kind = struct.unpack(">I4s", data[pos:pos + 8])
            chunk = data[pos + 4:pos + 8 + length]
            self.assertEqual(struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])[0],
                             zlib.crc32(chunk) & 0xFFFFFFFF)
            kinds.append(kind)
            pos += 12 + length
        self.assertEqual(kinds, [b"IHDR", b"alBm", b"IDAT", b"IEND"])
        self.assertEqual(pos, len(data))

    def test_every_address_form_serves_the_same_bytes(self):
        post = next(p for p in self.svc.admin("posts")["posts"] if not p["is_video"])
        name = post["display_src"].rsplit("/", 1)[1]
        forms = [post["display_src"], post["expected_address"],
                 self.svc.root + "/hphotos-ak-xaf1/t51.2885-15/s1080x1080/e35/" + name.replace(".jpg", ".png")]
        bodies = {self.svc.request("GET", u)[2] for u in forms}
        self.assertEqual(len(bodies), 1)
        wrong = name.replace(name.split("_")[1], "00000000")
        self.assertEqual(self.svc.request("GET", self.svc.root + "/x/" + wrong)[0], 404)

    def test_query_needs_the_token_and_stops_at_the_end(self):
        info = self.svc.admin("posts")
        posts = info["posts"]
        body = (QUERY_FORMAT % (info["owner"], posts[19]["id"])).encode()
        status, _, data = self.svc.request("POST", self.svc.root + "/query/", body=body)
        self.assertEqual(status, 403)
        status, _, data = self.svc.request("POST", self.svc.root + "/query/", body=body,
                                           headers={"x-csrftoken": info["csrftoken"]})
        self.assertEqual(json.loads(data)["media"]["page_info"]["has_next_page"], True)
        body = (QUERY_FORMAT % (info["owner"], posts[69]["id"])).encode()
        data = self.svc.request("POST", self.svc.root + "/query/", body=body,
                                headers={"x-csrftoken": info["csrftoken"]})[2]
        media = json.loads(data)["media"]
        self.assertEqual((len(media["nodes"]), media["page_info"]["end_cursor"]), (50, ""))

    def test_keep_alive_and_parallel_clients(self):
        posts = self.svc.admin("posts?hashes=1")["posts"][:15]
        conn = http.client.HTTPConnection("127.0.0.1", self.svc.port, timeout=10)
        for p in posts[:3]:
            conn.request("GET", urllib.parse.urlsplit(p["expected_address"]).path)
            resp = conn.getresponse()
            self.assertEqual(hashlib.sha256(resp.read()).hexdigest(), p["sha256"])
        conn.close()
        results = {}

        def fetch(p):
            results[p["id"]] = hashlib.sha256(self.svc.request("GET", p["expected_address"])[2]).hexdigest()

        threads = [threading.Thread(target=fetch, args=(p,)) for p in posts]
        for t in threads:
            t.start()
        for t in threads:
            t.join(30)
        self.assertEqual(results, {p["id"]: p["sha256"] for p in posts})


class ProxyAndRuntimeChanges(unittest.TestCase):
    def setUp(self):
        self.svc = Running("--posts", "30", "--first-page", "12", "--videos", "2", "--pic-max-kb", "30")

    def tearDown(self):
        self.assertEqual(self.svc.stop(), 0)  # SIGTERM ends it cleanly

    def test_proxy_mode_serves_by_path(self):
        found, pages = walk(self.svc, "http://www.instagram.com", proxy=True)
        self.assertEqual(pages, 2)
        self.assertEqual(len(found), 30)
        self.assertTrue(all(a.startswith("http://www.instagram.com/") for a, _ in found))
        status, resp, _ = self.svc.request("GET", "http://www.instagram.com/sample_user/", proxy=True)
        self.assertIn("Domain=.instagram.com", resp.getheader("Set-Cookie"))
        expected = self.svc.admin("posts?host=www.instagram.com")["posts"]
        self.assertEqual([a for a, _ in found], [p["expected_address"] for p in expected])
        log = self.svc.admin("requests?kind=profile")
        self.assertTrue(log[-1]["proxy"])
        self.assertEqual(log[-1]["target"], "http://www.instagram.com/sample_user/")

    def test_direct_profile_address_with_a_com_folder(self):
        status, _, data = self.svc.request("GET", self.svc.root + "/www.instagram.com/sample_user")
        self.assertEqual(status, 200)
        self.assertIn(b'"end_cursor": "AQ', data)
        self.assertEqual(self.svc.request("GET", self.svc.root + "/www.instagram.com/nobody/")[0], 404)

    def test_added_posts_come_first_and_old_addresses_stay(self):
        before, _ = walk(self.svc, self.svc.root)
        added = self.svc.admin("add-posts?n=3")
        after, _ = walk(self.svc, self.svc.root)
        self.assertEqual(len(after), 33)
        self.assertEqual(after[3:], before)
        self.assertEqual([a for a, _ in after[:3]], [p["expected_address"] for p in added])

    def test_syntax_error_pages(self):
        self.svc.admin("config?syntax_error_profile=1&syntax_error_query=1")
        data = self.svc.request("GET", self.svc.root + "/sample_user/")[2]
        self.assertGreater(data.find(b'"syntax error"'), 0)
        found, _ = walk(self.svc, self.svc.root)  # second profile request is good, first query is not
        self.assertEqual(len(found), 12)
        self.svc.admin("reset")
        self.assertGreater(self.svc.request("GET", self.svc.root + "/sample_user/")[2].find(b'"syntax error"'), 0)

    def test_bad_config_change_is_refused(self):
        status, _, data = self.svc.request("GET", self.svc.root + "/__admin/config?captions=nope")
        self.assertEqual(status, 400)
        status, _, data = self.svc.request("GET", self.svc.root + "/__admin/config?reset_rate=60&error_rate=60")
        self.assertEqual(status, 400)


class Faults(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.svc = Running("--posts", "5", "--first-page", "5", "--pic-min-kb", "40", "--pic-max-kb", "40",
                          "--stall-seconds", "3", "--trickle-bytes", "10000", "--trickle-interval-ms", "20")
        cls.post = cls.svc.admin("posts?hashes=1")["posts"][0]

    @classmethod
    def tearDownClass(cls):
        cls.svc.stop()

    def only(self, kind, **extra):
        changes = {k + "_rate": 0 for k in photo_service.FAULT_KINDS}
        changes[kind + "_rate"] = 100
        changes.update(extra)
        self.svc.request("POST", self.svc.root + "/__admin/config", body=json.dumps(changes).encode())

    def raw_get(self, timeout=10):
        """Bytes received for the picture before the server closed or the wait ran out."""
        path = urllib.parse.urlsplit(self.post["expected_address"]).path
        sock = socket.create_connection(("127.0.0.1", self.svc.port), timeout=timeout)
        sock.sendall(("GET %s HTTP/1.1\r\nHost: x\r\n\r\n" % path).encode())
        got = b""
        try:
            while True:
                chunk = sock.recv(65536)
                if not chunk:
                    return got, "closed"
                got += chunk
        except ConnectionResetError:
            return got, "reset"
        except socket.timeout:
            return got, "timeout"
        finally:
            sock.close()

    def test_each_fault(self):
        size = self.post["size"]
        self.only("reset")
        self.assertEqual(self.raw_get(), (b"", "reset"))

        self.only("truncate")
        got, how = self.raw_get()
        head, _, body = got.partition(b"\r\n\r\n")
        self.assertIn(b"Content-Length: %d" % size, head)
        self.assertEqual((len(body), how), (size // 2, "closed"))

        self.only("error")
        got, _ = self.raw_get(timeout=2)
        self.assertTrue(got.startswith(b"HTTP/1.1 502"))
        self.assertIn(b"<html>", got)

        self.only("stall")
        got, how = self.raw_get(timeout=1)
        self.assertEqual(how, "timeout")
        self.assertLess(len(got), size)

        self.only("trickle")
        got, _ = self.raw_get(timeout=2)
        self.assertEqual(hashlib.sha256(got.partition(b"\r\n\r\n")[2]).hexdigest(), self.post["sha256"])

        self.only("reset", fault_scope="pages")
        self.assertEqual(self.raw_get(timeout=2)[0][:12], b"HTTP/1.1 200")
        self.only("reset", reset_rate=0, fault_scope="media")
        stats = self.svc.admin("stats")["faults"]
        self.assertTrue(all(stats[k] >= 1 for k in photo_service.FAULT_KINDS), stats)

    def test_fault_draws_are_deterministic(self):
        def pattern():
            self.svc.admin("reset")
            self.only("error", error_rate=30)
            return [self.svc.request("GET", self.post["expected_address"])[0] for _ in range(20)]
        first = pattern()
        self.assertEqual(first, pattern())
        self.assertTrue(200 in first and 502 in first)
        self.only("error", error_rate=0)


class ConfigExchange(unittest.TestCase):
    def setUp(self):
        self.svc = Running("--config-entries", "fields6,fields8,nosites,good", "--newest-version", "17.02.08.02#note")

    def tearDown(self):
        self.svc.stop()

    def fetch_config(self):
        """The program's two-stage exchange; returns (fields, sites, entry number)."""
        text = self.svc.request("GET", self.svc.root + "/gv/stage1.php?f=T&t=0.5")[2].decode()
        section = mid(text, "[gv-cfg]", "[/gv-cfg]").replace("\r", "").replace("\n", "")
        if not section.startswith(photo_service.CFG_PAYLOAD_MARKER):
            section = self.svc.request("GET", section)[2].decode()
        payload = section.replace("\r", "").replace("\n", "")
        addresses = photo_service.xor_escape_decode(payload).split("^^")
        for number, address in enumerate(addresses, 1):
            address = address.replace("{EDITION}", "GRAMVISTA_17") + "?f=T&t=0.1&s=17&v=5"
            status, _, data = self.svc.request("GET", address.replace(".htm?", ".php?"))
            reply = data.decode().replace("\\\n", "\n")
            fields = mid(reply, "[gv-rec]", "[/gv-rec]").split("|")
            if len(fields) != 7 or not mid(reply, "[gv-msg]", "[/gv-msg]"):
                continue
            sites = mid(reply, "[gv-sites]", "[/gv-sites]")
            if sites:
                return fields, sites.split("|"), number
        return None

    def test_exchange_in_both_modes(self):
        for mode in ("inline", "indirect"):
            self.svc.admin("config?config_mode=" + mode)
            fields, sites, number = self.fetch_config()
            self.assertEqual(number, 4)
            self.assertEqual(fields[0].split("#")[0], "17.02.08.02")
            self.assertEqual(fields[2], "GRAMVISTA_17")
            self.assertEqual(sites[17], "Instagram")
            self.assertEqual(len(sites), 21)
        status, _, _ = self.svc.request("GET", fields[1])
        self.assertEqual(status, 200)

    def test_codec_round_trip_and_marker(self):
        # Texts never hold a zero byte (the codec cannot tell it from an escape).
        for text in ("http://127.0.0.1:1/gv/{EDITION}/e0.htm", "abc\r\n?k", "相册 http://x"):
            encoded = photo_service.xor_escape_encode(text)
            self.assertRegex(encoded, "^[0-9A-F]*$")
            self.assertEqual(photo_service.xor_escape_decode(encoded), text)
        self.assertEqual(photo_service.CFG_PAYLOAD_MARKER, "586B396E0A1204")


if __name__ == "__main__":
    unittest.main()
