"""Checks of the stand-in site: routing by host, the profile and playlist fixtures, the generated
bodies, the broken answers, the request log and a clean stop.

Run from the repository root: python3 -m unittest discover -s tests/site
"""

import hashlib
import http.client
import importlib.util
import os
import signal
import struct
import subprocess
import sys
import tempfile
import time
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SERVER = os.path.join(ROOT, "site", "server.py")
FIXTURES = os.path.join(ROOT, "site", "fixtures")

_spec = importlib.util.spec_from_file_location("verdimo_site_server", SERVER)
server = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(server)

FULL = "http://player.verdimo.test/music/musicplayer.swf"
MINI = "http://player.verdimo.test/mini/mini.swf"
POPUP = "http://player.verdimo.test/music/player_popup.swf"
SONGS = "http://audio.verdimo.test/songs/"
GEN = "http://audio.verdimo.test/gen/"


def start_server(folder):
    """Starts the server on a free port; returns (process, port, request log path)."""
    port_file = os.path.join(folder, "port")
    log_file = os.path.join(folder, "requests.log")
    process = subprocess.Popen(
        [sys.executable, SERVER, "--port", "0", "--port-file", port_file, "--request-log", log_file],
        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    deadline = time.monotonic() + 10
    while not os.path.exists(port_file):
        if process.poll() is not None:
            raise RuntimeError("server ended early: " + process.stderr.read().decode(errors="replace"))
        if time.monotonic() > deadline:
            stop_server(process)
            raise RuntimeError("server did not write its port file")
        time.sleep(0.02)
    with open(port_file) as f:
        port = int(f.read())
    return process, port, log_file


def stop_server(process, sig=signal.SIGTERM):
    """Stops the server; returns (exit code, what it wrote to stderr). Killed if not gone in 5 s."""
    if process.poll() is None:
        process.send_signal(sig)
    try:
        _, errors = process.communicate(timeout=5)
    except subprocess.TimeoutExpired:
        process.kill()
        _, errors = process.communicate()
    return process.returncode, errors


def between(text, start, end, position=1):
    """Text between the first start marker at or after position (1-based) and the next end marker."""
    if not start or not end:
        return ""
    found = text.find(start, max(position, 1) - 1)
    if found < 0:
        return ""
    s = found + len(start)
    stop = text.find(end, s)
    return "" if stop < 0 else text[s:stop]


def page_findings(page):
    """(friend id, movie address, movie kind, artist name) as the program reads a profile page."""
    friend_id = (between(page, "&amp;friendID=", '"') or between(page, "&friendID=", '"')
                 or between(page, "&friendID=", "&"))
    movie, kind = "", None
    for prefix, prefix_kind in ((FULL, 0), (MINI, 1), (POPUP, 0)):
        tail = between(page, prefix, '"')
        if tail:
            movie, kind = prefix + tail, prefix_kind
            break
    name_marker = '<span class="nametext">'
    artist = between(page, name_marker, "<") if name_marker in page else ""
    return friend_id, movie, kind, artist


def playlist_rows(doc):
    """(raw title, raw address) per listed song, as the program scans a playlist."""
    rows = []
    p = doc.find("title=") + 1
    while p:
        cur = p
        p = doc.find("title=", cur - 1 + 6) + 1
        title = between(doc, 'title="', '"', cur)
        address = between(doc, 'durl="', '"', cur)
        if not address.strip(" "):
            address = between(doc, 'purl="', '"', cur)
        if title:
            rows.append((title, address))
    return rows


# Every profile with what the program should find: name typed, friend id, movie kind, raw artist
# name, raw movie address, and the raw (title, address) rows. The expected results in
# site/README.md are these after entity decoding.
PROFILES = [
    ("someband", "1001", 0, "Some Band", FULL + "?n=1&amp;a=0&amp;friendID=1001", [
        ("Rock &amp; Roll", SONGS + "tone1.mp3"),
        ("Endless&lt;wbr&gt;Summer", SONGS + "tone2.mp3"),
        ("It&#39;s Late", SONGS + "tone3.mp3"),
        ("Caf\xe9 du Nord", SONGS + "tone4.mp3"),
        ("Salt &amp;amp; Pepper", SONGS + "tone5.mp3?from=verdimo&amp;id=5"),
    ]),
    ("minionly", "1002", 1, "Mini Only", MINI + "?n=2&amp;friendID=1002", []),
    ("fidband", "", 0, "Fid Band", FULL + "?n=3&amp;a=0", []),
    ("ampband", "777&amp;type=artist", 0, "Amp &amp; Band",
     FULL + "?n=4&amp;friendID=777&amp;type=artist",
     [("Amp One", SONGS + "tone5.mp3"), ("Amp Two", SONGS + "tone6.mp3")]),
    ("errorband", "1005", None, "", "",
     [("Error Song One", SONGS + "tone1.mp3"), ("Error Song Two", SONGS + "tone2.mp3")]),
    ("purlband", "1007", 0, "Purl Band", FULL + "?n=7&amp;a=0&amp;friendID=1007", [
        ("Blank Durl", SONGS + "tone3.mp3"),
        ("Missing Durl", SONGS + "tone5.mp3"),
        ("Next Track", SONGS + "tone5.mp3"),
        ("Empty Durl", SONGS + "tone6.mp3"),
        ("No Address", ""),
    ]),
    ("samename", "1009", 0, "Same Name", FULL + "?n=9&amp;a=0&amp;friendID=1009",
     [("Song", GEN + "20000/%d.mp3" % n) for n in range(1, 6)]),
    ("faults", "1010", 0, "Fault Lines", FULL + "?n=10&amp;a=0&amp;friendID=1010", [
        ("Missing Song", "http://audio.verdimo.test/fault/404.mp3"),
        ("Dropped Song", "http://audio.verdimo.test/fault/drop.mp3"),
        ("Slow Song", "http://audio.verdimo.test/fault/slow.mp3"),
        ("Large Song", "http://audio.verdimo.test/large.mp3"),
        ("Good Song", SONGS + "tone1.mp3"),
    ]),
    ("popupband", "1012", 0, "Popup Band", POPUP + "?n=12&amp;friendID=1012",
     [("Popup One", SONGS + "tone1.mp3"), ("Popup Two", SONGS + "tone2.mp3")]),
]


class SiteTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        cls.addClassCleanup(cls.folder.cleanup)
        cls.process, cls.port, cls.log = start_server(cls.folder.name)
        cls.addClassCleanup(stop_server, cls.process)

    def connect(self):
        return http.client.HTTPConnection("127.0.0.1", self.port, timeout=20)

    def get(self, url, headers=None, method="GET"):
        """(status, response headers, body) of one proxy-style request."""
        conn = self.connect()
        try:
            conn.request(method, url, headers=headers or {})
            response = conn.getresponse()
            return response.status, response, response.read()
        finally:
            conn.close()

    def playlist(self, friend_id):
        url = ("http://media.verdimo.test:80/services/media/musicplayerxml.ashx?b=" + friend_id)
        status, _, body = self.get(url)
        self.assertEqual(status, 200)
        return body.decode("latin-1")

    def log_lines(self, wanted, timeout=5):
        """The request log's lines once every wanted line is in it (lines are written just after
        the last byte goes out, so a line may trail its response by a moment)."""
        deadline = time.monotonic() + timeout
        while True:
            with open(self.log, encoding="latin-1") as f:
                lines = f.read().splitlines()
            if all(line in lines for line in wanted) or time.monotonic() > deadline:
                return lines
            time.sleep(0.05)

    # -- www.verdimo.test ----------------------------------------------------------------------

    def test_profile_page_in_both_request_forms_and_with_a_query(self):
        status, response, absolute = self.get("http://www.verdimo.test:80/someband")
        self.assertEqual(status, 200)
        self.assertEqual(int(response.getheader("Content-Length")), len(absolute))
        self.assertIn(b'<span class="nametext">Some Band</span>', absolute)
        for url, headers in (("/someband", {"Host": "www.verdimo.test"}),
                             ("/someband", {"Host": "WWW.Verdimo.test:80"}),
                             ("http://www.verdimo.test/someband?x=1&friendID=123&y", {}),
                             ("http://www.verdimo.test:80/SomeBand", {})):
            with self.subTest(url=url, headers=headers):
                status, _, body = self.get(url, headers)
                self.assertEqual(status, 200)
                self.assertEqual(body, absolute)

    def test_unknown_profile_and_bad_names_get_the_not_found_page(self):
        for path in ("/nosuchband", "/someband/extra", "/..", "/%2e%2e", "/.hidden"):
            with self.subTest(path=path):
                status, _, body = self.get("http://www.verdimo.test:80" + path)
                self.assertEqual(status, 404)
                self.assertIn(b"Not found", body)

    def test_profiles_carry_what_the_program_looks_for(self):
        for name, friend_id, kind, artist, movie, rows in PROFILES:
            with self.subTest(profile=name):
                status, _, body = self.get("http://www.verdimo.test:80/" + name)
                self.assertEqual(status, 200)
                page = body.decode("latin-1")
                self.assertEqual(page_findings(page), (friend_id, movie, kind, artist))
                if friend_id:
                    self.assertEqual(playlist_rows(self.playlist(friend_id)), rows)
        error_page = self.get("http://www.verdimo.test/errorband")[2]
        self.assertIn(b"Ein unerwarteter Fehler ist aufgetreten. Sorry!", error_page)
        self.assertNotIn(b"Ein unerwarteter Fehler", self.get("http://www.verdimo.test/someband")[2])

    def test_samename_page_carries_the_mini_player_before_the_full_one(self):
        page = self.get("http://www.verdimo.test/samename")[2].decode("latin-1")
        self.assertLess(page.index(MINI), page.index(FULL))

    def test_fidband_needs_the_fid_from_the_address(self):
        page = self.get("http://www.verdimo.test:80/fidband?x=1&fid=4242&y=2")[2].decode("latin-1")
        self.assertNotIn("friendID", page)
        self.assertEqual(between("http://www.verdimo.test/fidband?x=1&fid=4242&y=2", "&fid=", "&"),
                         "4242")
        self.assertEqual(playlist_rows(self.playlist("4242")), [
            ("Fid One", SONGS + "tone3.mp3"), ("Fid Two", SONGS + "tone4.mp3"),
            ("Fid Three", SONGS + "tone5.mp3")])

    def test_home_page_lists_its_featured_songs(self):
        status, _, body = self.get("http://www.verdimo.test:80/")
        self.assertEqual(status, 200)
        page = body.decode("latin-1")
        self.assertEqual(page_findings(page), ("1000", "", None, ""))
        self.assertEqual(playlist_rows(self.playlist("1000")), [
            ("Featured One", SONGS + "tone1.mp3"), ("Featured Two", SONGS + "tone2.mp3")])

    def test_long_playlists(self):
        thousand = playlist_rows(self.playlist("1008"))
        self.assertEqual(len(thousand), 1000)
        self.assertEqual(thousand[0], ("Track 0001", GEN + "2048/1.mp3"))
        self.assertEqual(thousand[-1], ("Track 1000", GEN + "2048/1000.mp3"))
        fifty = playlist_rows(self.playlist("1011"))
        self.assertEqual(fifty, [("Piece %02d" % n, GEN + "1048576/%d.mp3" % n) for n in range(1, 51)])
        many = playlist_rows(self.playlist("rows-1500"))
        self.assertEqual(len(many), 1500)
        self.assertEqual(many[-1], ("Track 1500", GEN + "2048/1500.mp3"))
        self.assertEqual(playlist_rows(self.playlist("rows-100001")), [])
        page = self.get("http://www.verdimo.test/manyband")[2].decode("latin-1")
        self.assertEqual(page_findings(page)[0], "rows-1500")

    def test_hostile_titles_and_held_page(self):
        rows = playlist_rows(self.playlist("1013"))
        self.assertEqual(len(rows), 3)
        self.assertIn("\n", rows[1][0] + rows[1][1])
        self.assertIn("&#10;", rows[0][0])
        page = self.get("http://www.verdimo.test/hostileband")[2].decode("latin-1")
        self.assertEqual(page_findings(page)[0], "1013")
        started = time.monotonic()
        status, _, body = self.get("http://www.verdimo.test/heldband")
        self.assertGreaterEqual(time.monotonic() - started, 9.5)
        self.assertIn(b"friendID=1001", body)

    def test_page_fetch_fixtures(self):
        self.assertEqual(self.get("http://www.verdimo.test:80/fault/zero-byte-page")[2],
                         b"before\0after")
        status, response, body = self.get("http://www.verdimo.test:80/fault/big-page?bytes=100003")
        self.assertEqual((status, response.getheader("Content-Length"), len(body)),
                         (200, "100003", 100003))
        self.assertEqual(body, bytes(server.page_text_byte(i) for i in range(100003)))
        self.assertEqual(body[:5] + body[63:65], b"abcde\nm")
        agent = "Mozilla/4.0 (compatible; ST)"
        self.assertEqual(self.get("http://www.verdimo.test:80/echo/user-agent",
                                  {"User-Agent": agent})[2], agent.encode())

    def test_drop_page_stops_short_of_its_announced_length(self):
        conn = self.connect()
        try:
            conn.request("GET", "http://www.verdimo.test:80/fault/drop-page")
            response = conn.getresponse()
            self.assertEqual(response.getheader("Content-Length"), "50000")
            with self.assertRaises(http.client.IncompleteRead) as caught:
                response.read()
        finally:
            conn.close()
        self.assertEqual(len(caught.exception.partial), 2000)
        self.assertTrue(caught.exception.partial.startswith(b"<html>"))

    # -- playlists and player movies -------------------------------------------------------------

    def test_playlist_is_chosen_by_the_raw_friend_id(self):
        self.assertIn('title="Amp One"', self.playlist("777&amp;type=artist"))
        for unknown in ("777", "777&type=artist", "nosuch", ""):
            with self.subTest(friend_id=unknown):
                self.assertEqual(self.playlist(unknown), "<playlist></playlist>")
        self.assertEqual(self.playlist("1002"), "<playlist></playlist>\n")
        self.assertEqual(self.get("http://media.verdimo.test/other.ashx?b=1001")[0], 404)

    def test_player_movies(self):
        for path in ("/music/musicplayer.swf?n=1&a=0&friendID=1001", "/mini/mini.swf",
                     "/music/player_popup.swf?x"):
            with self.subTest(path=path):
                status, response, body = self.get("http://player.verdimo.test:80" + path)
                self.assertEqual(status, 200)
                self.assertEqual(response.getheader("Content-Type"), "application/x-shockwave-flash")
                self.assertTrue(body.startswith(b"FWS"))
        self.assertEqual(self.get("http://player.verdimo.test/music/other.swf")[0], 404)

    # -- audio.verdimo.test ----------------------------------------------------------------------

    def test_song_files(self):
        for n in range(1, 7):
            with self.subTest(song=n):
                status, response, body = self.get(SONGS + "tone%d.mp3" % n)
                self.assertEqual((status, response.getheader("Content-Type")), (200, "audio/mpeg"))
                with open(os.path.join(FIXTURES, "songs", "tone%d.mp3" % n), "rb") as f:
                    self.assertEqual(body, f.read())
                self.assertTrue(15000 < len(body) < 60000)
                self.assertEqual(body[0], 0xFF)
        self.assertEqual(self.get(SONGS + "tone9.mp3")[0], 404)

    def test_generator_matches_its_documented_formula(self):
        # Values worked out by hand from the formula in site/README.md.
        self.assertEqual(server.generated_bytes(0, 0, 6), b"\xff\xfb\x90\x64\x0c\x8f")
        self.assertEqual(server.generated_byte(1, 300), 140)
        for seed, start, length in ((0, 0, 1000), (5, 2, 600), (37, 255, 2), (123456, 70000, 5000)):
            with self.subTest(seed=seed, start=start):
                self.assertEqual(server.generated_bytes(seed, start, length),
                                 bytes(server.generated_byte(seed, i)
                                       for i in range(start, start + length)))
        self.assertEqual(server.generated_bytes(3, 2, 4), b"\x90\x64" + server.generated_bytes(3, 4, 2))

    def test_generated_bodies(self):
        for size, seed in ((0, 1), (3, 1), (300000, 7)):
            with self.subTest(size=size, seed=seed):
                status, response, body = self.get(GEN + "%d/%d.mp3" % (size, seed))
                self.assertEqual((status, response.getheader("Content-Length")), (200, str(size)))
                self.assertEqual(body, server.generated_bytes(seed, 0, size))
        status, response, body = self.get("http://audio.verdimo.test:80/large.mp3")
        self.assertEqual((status, len(body)), (200, 20 * 1024 * 1024))
        expected = hashlib.sha256()
        for piece in server.generated_chunks(0, 20 * 1024 * 1024):
            expected.update(piece)
        self.assertEqual(hashlib.sha256(body).hexdigest(), expected.hexdigest())
        for bad in ("x/1.mp3", "10/x.mp3", "10.mp3", "99999999999/1.mp3"):
            with self.subTest(bad=bad):
                self.assertEqual(self.get(GEN + bad)[0], 404)

    def test_error_statuses_and_empty_body(self):
        status, response, body = self.get("http://audio.verdimo.test/fault/404.mp3")
        self.assertEqual(status, 404)
        self.assertTrue(response.getheader("Content-Type").startswith("text/html"))
        self.assertIn(b"<html>", body)
        self.assertEqual(self.get("http://audio.verdimo.test/fault/500.mp3")[0], 500)
        status, response, body = self.get("http://audio.verdimo.test/fault/empty.mp3")
        self.assertEqual((status, response.getheader("Content-Length"), body), (200, "0", b""))

    def test_drop_cuts_the_song_after_1000_bytes(self):
        conn = self.connect()
        try:
            conn.request("GET", "http://audio.verdimo.test:80/fault/drop.mp3")
            response = conn.getresponse()
            self.assertEqual(response.getheader("Content-Length"), "100000")
            with self.assertRaises(http.client.IncompleteRead) as caught:
                response.read()
        finally:
            conn.close()
        self.assertEqual(caught.exception.partial, server.generated_bytes(0, 0, 1000))

    def test_songs_take_ranges_and_cut_once_is_whole_afterwards(self):
        cut = "http://audio.verdimo.test/fault/cut-once.mp3?id=ranges&bytes=3000"
        body = server.generated_bytes(0, 0, 3000)
        conn = self.connect()
        conn.request("GET", cut)
        response = conn.getresponse()
        with self.assertRaises(http.client.IncompleteRead) as caught:
            response.read()
        conn.close()
        self.assertEqual(caught.exception.partial, body[:1500])
        etag, modified = response.getheader("ETag"), response.getheader("Last-Modified")
        for url, headers, status, content_range, expected in [
                (cut, {"Range": "bytes=1500-", "If-Range": etag}, 206, "bytes 1500-2999/3000", body[1500:]),
                (cut, {"Range": "bytes=1500-", "If-Range": modified}, 206, "bytes 1500-2999/3000", body[1500:]),
                (cut, {"Range": "bytes=1500-", "If-Range": '"stale"'}, 200, None, body),
                (cut, {"Range": "bytes=3000-"}, 200, None, body),
                (GEN + "200000/3.mp3", {"Range": "bytes=70000-"}, 206, "bytes 70000-199999/200000",
                 server.generated_bytes(3, 70000, 130000))]:
            got_status, response, got = self.get(url, headers)
            self.assertEqual((got_status, response.getheader("Content-Range")), (status, content_range), headers)
            self.assertEqual((got, len(got)), (expected, int(response.getheader("Content-Length"))))

    def test_slow_song_takes_its_time(self):
        started = time.monotonic()
        status, response, body = self.get("http://audio.verdimo.test/fault/slow.mp3?seconds=1")
        elapsed = time.monotonic() - started
        self.assertEqual((status, response.getheader("Content-Length")), (200, "65536"))
        self.assertEqual(body, server.generated_bytes(0, 0, 65536))
        self.assertGreaterEqual(elapsed, 0.9)  # pauses add up to at least the time asked for

    def test_unsized_slow_song_ends_with_the_connection(self):
        status, response, body = self.get(
            "http://audio.verdimo.test/fault/slow-unsized.mp3?seconds=0.2")
        self.assertEqual((status, response.getheader("Content-Length")), (200, None))
        self.assertEqual(body, server.generated_bytes(0, 0, 65536))

    def test_head_sends_headers_only(self):
        status, response, body = self.get(GEN + "5000/1.mp3", method="HEAD")
        self.assertEqual((status, response.getheader("Content-Length"), body), (200, "5000", b""))

    # -- the author's web space and foreign hosts ------------------------------------------------

    def test_author_files_on_both_hosts(self):
        files = "/downloader/verdimo/notice/files/"
        for host in ("www.vmd-author.test", "vmd-author.test"):
            with self.subTest(host=host):
                base = "http://%s:80" % host
                self.assertEqual(self.get(base + files + "notice-data.txt")[2],
                                 b"5000;http://www.vmd-author.test/news.html")
                for page in ("panel1.htm", "panel2.htm", "ticker.html", "alert.html"):
                    status, response, _ = self.get(base + files + page)
                    self.assertEqual(status, 200, page)
                    self.assertTrue(response.getheader("Content-Type").startswith("text/html"))
                status, response, png = self.get(base + files + "notice1.png")
                self.assertEqual((status, response.getheader("Content-Type")), (200, "image/png"))
                self.assertEqual(png[:8], b"\x89PNG\r\n\x1a\n")
                # IHDR: width, height, bit depth, colour type 2 (RGB, no alpha).
                self.assertEqual(struct.unpack(">4sIIBB", png[12:26]), (b"IHDR", 370, 20, 8, 2))
                self.assertEqual(self.get(base + "/")[0], 200)
                self.assertEqual(self.get(base + files + "missing.htm")[0], 404)
                self.assertEqual(self.get(base + "/../server.py")[0], 404)

    def test_notice_modes(self):
        site = server.Site(FIXTURES)
        png_path = os.path.join(FIXTURES, "author", "downloader", "verdimo", "notice", "files",
                                "notice1.png")
        with open(png_path, "rb") as f:
            png = f.read()
        valid = b"5000;http://www.vmd-author.test/news.html"
        # mode -> (data body, or None for no answer; image body; pause before the data body)
        expected = {
            "valid": (valid, png, 0),
            "nolink": (b"5000", png, 0),
            "negative": (b"-5;http://www.vmd-author.test/news.html", png, 0),
            "notpng": (valid, server.NOTICE_NOT_PNG, 0),
            "truncated": (valid, png[:len(png) // 2], 0),
            "slow": (valid, png, 15),
            "noanswer": (None, png, 0),
        }
        self.assertEqual(set(expected), set(server.NOTICE_MODES))
        files = "/downloader/verdimo/notice/files/"
        for mode, (data, image, pause) in expected.items():
            with self.subTest(mode=mode):
                site.notice_mode = server.NoticeMode(mode)
                for host in server.AUTHOR_HOSTS:
                    reply = site.route(host, files + "notice-data.txt", "")
                    if data is None:
                        self.assertIsNone(reply)
                    else:
                        self.assertEqual((reply.status, b"".join(reply.pieces), reply.length,
                                          reply.pause), (200, data, len(data), pause))
                    reply = site.route(host, files + "notice1.png", "")
                    self.assertEqual((reply.status, b"".join(reply.pieces), reply.content_type),
                                     (200, image, "image/png"))
                    # The rest of the author's space does not change with the mode.
                    self.assertEqual(site.route(host, files + "ticker.html", "").status, 200)
        self.assertEqual(len(png), 2418)
        self.assertEqual(struct.unpack(">4sII", png[12:24]), (b"IHDR", 370, 20))
        self.assertEqual(png[:len(png) // 2][:8], png[:8])  # still starts as a PNG

    def test_control_host_sets_the_notice_mode_and_data(self):
        control = "http://site-control.test/notice-mode"
        data_url = "http://www.vmd-author.test:80/downloader/verdimo/notice/files/notice-data.txt"
        try:
            self.assertEqual(self.get(control)[2], b"valid")
            self.assertEqual(self.get(control + "?set=nolink")[:3:2], (200, b"nolink"))
            self.assertEqual(self.get(data_url)[2], b"5000")
            self.assertEqual(self.get(control + "?set=valid&data=60000%3Bcmd%20%2Fc%20echo%20x")[2],
                             b"valid")
            self.assertEqual(self.get(data_url)[2], b"60000;cmd /c echo x")
            self.assertEqual(self.get(control + "?set=nosuchmode")[0], 400)
            self.assertEqual(self.get(control)[2], b"valid")
            self.assertEqual(self.get(control + "?set=noanswer")[2], b"noanswer")
            with self.assertRaises((http.client.RemoteDisconnected, ConnectionError)):
                self.get(data_url)
        finally:
            self.get(control + "?set=valid")
        self.assertEqual(self.get(data_url)[2], b"5000;http://www.vmd-author.test/news.html")
        self.assertEqual(self.get("http://site-control.test/other")[0], 404)

    def test_hostile_answers_for_pages_and_playlists(self):
        with open(os.path.join(FIXTURES, "profiles", "someband", "page.html"), "rb") as f:
            page = f.read()
        with open(os.path.join(FIXTURES, "playlists", "someband.xml"), "rb") as f:
            playlist = f.read()
        for url, whole_body in (("http://www.verdimo.test:80/hostile/", page),
                                ("http://media.verdimo.test:80/services/media/musicplayerxml.ashx?b=hostile-",
                                 playlist)):
            with self.subTest(url=url):
                status, _, body = self.get(url + "junk")
                self.assertEqual((status, len(body)), (200, 65536))
                self.assertEqual(body, server.junk_bytes(65536))
                self.assertIn(b"\0", body)
                status, _, body = self.get(url + "trickle")
                self.assertEqual((status, body), (200, whole_body))
                conn = self.connect()
                try:
                    conn.request("GET", url + "huge")
                    response = conn.getresponse()
                    self.assertEqual(response.getheader("Content-Length"), str(100 * 1024 * 1024))
                    self.assertEqual(response.read(1000), server.page_text_bytes(0, 1000))
                finally:
                    conn.close()
                conn = self.connect()
                try:
                    conn.request("GET", url + "drop10")
                    response = conn.getresponse()
                    self.assertEqual(response.getheader("Content-Length"), str(len(whole_body)))
                    with self.assertRaises(http.client.IncompleteRead) as caught:
                        response.read()
                    self.assertEqual(caught.exception.partial, whole_body[:10])
                finally:
                    conn.close()
                # Endless bodies: no length; the fast one streams on, the slow one trickles, and
                # both end at a release.
                for mode, size in (("endless", 4 * 1024 * 1024), ("endless-slow", 16)):
                    conn = self.connect()
                    try:
                        conn.request("GET", url + mode)
                        response = conn.getresponse()
                        self.assertIsNone(response.getheader("Content-Length"))
                        self.assertEqual(response.read(size), server.page_text_bytes(0, size))
                        self.assertEqual(self.get("http://site-control.test/release")[2], b"released")
                        response.read()  # ends once the release is seen
                    finally:
                        conn.close()

    def test_hostile_titles_songs_and_program(self):
        titles = self.playlist("hostile-titles").encode("latin-1")
        self.assertIn(b'title="..\\..\\..\\evil"', titles)
        self.assertIn(b'title="' + b"L" * 1000 + b'"', titles)
        self.assertIn(b'title="Nul\0After"', titles)
        self.assertFalse(titles.rstrip().endswith(b"</playlist>"))
        songs = self.playlist("hostile-songs")
        self.assertEqual(songs.count("<song "), 5)
        self.assertIn('durl="http://audio.verdimo.test/fault/program.mp3"', songs)
        program_url = "http://audio.verdimo.test:80/fault/program.mp3"
        self.assertEqual(self.get(program_url)[2], server.PROGRAM_STUB)
        with tempfile.TemporaryDirectory() as folder:
            program = os.path.join(folder, "p.exe")
            with open(program, "wb") as f:
                f.write(b"MZ program body")
            with open(os.path.join(folder, "text"), "wb") as f:
                f.write(b"plain text")
            control = "http://site-control.test/program-body?path="
            self.assertEqual(self.get(control + os.path.join(folder, "text"))[0], 400)
            self.assertEqual(self.get(control + program)[2], b"program")
            self.assertEqual(self.get(program_url)[2], b"MZ program body")

    def test_foreign_host_gets_no_answer(self):
        for url, headers in (("http://www.example.com:80/", {}), ("http://127.0.0.1/", {}),
                             ("/someband", {"Host": "elsewhere.test"})):
            with self.subTest(url=url, headers=headers):
                with self.assertRaises((http.client.RemoteDisconnected, ConnectionError)):
                    self.get(url, headers)

    def test_request_log_records_what_was_served(self):
        self.get("http://www.verdimo.test:80/nosuchband?log=1")
        self.get(GEN + "1234/9.mp3?log=1")
        with self.assertRaises((http.client.RemoteDisconnected, ConnectionError)):
            self.get("http://unknown.example:80/?log=1")
        conn = self.connect()
        try:
            conn.request("GET", "http://audio.verdimo.test:80/fault/drop.mp3?log=1")
            with self.assertRaises(http.client.IncompleteRead):
                conn.getresponse().read()
        finally:
            conn.close()
        self.get("/?log=1", {"Host": "www.vmd-author.test"})
        author_home = len(self.get("http://www.vmd-author.test/")[2])
        wanted = [
            "GET\thttp://www.verdimo.test:80/nosuchband?log=1\t404\t%d" % len(server.NOT_FOUND_PAGE),
            "GET\t" + GEN + "1234/9.mp3?log=1\t200\t1234",
            "GET\thttp://unknown.example:80/?log=1\t0\t0",
            "GET\thttp://audio.verdimo.test:80/fault/drop.mp3?log=1\t200\t1000",
            "GET\thttp://www.vmd-author.test/?log=1\t200\t%d" % author_home,
        ]
        lines = self.log_lines(wanted)
        for line in wanted:
            self.assertIn(line, lines)
        self.assertTrue(all(len(line.split("\t")) == 4 for line in lines), lines)


class StopTest(unittest.TestCase):
    def test_stops_cleanly_and_quietly_on_sigterm_and_sigint(self):
        for sig in (signal.SIGTERM, signal.SIGINT):
            with self.subTest(signal=sig), tempfile.TemporaryDirectory() as folder:
                process, port, _ = start_server(folder)
                conn = http.client.HTTPConnection("127.0.0.1", port, timeout=5)
                try:
                    with open(os.path.join(folder, "port")) as f:
                        self.assertRegex(f.read(), r"^[0-9]+\n$")
                    self.assertFalse(os.path.exists(os.path.join(folder, "port.tmp")))
                    self.assertEqual(self.fetch_status(port, "http://www.verdimo.test/nosuchband"), 404)
                    # A transfer still running must not hold the stop up.
                    conn.request("GET", "http://audio.verdimo.test/fault/slow.mp3?seconds=30")
                    conn.getresponse()
                finally:
                    code, errors = stop_server(process, sig)
                    conn.close()
                self.assertEqual((code, errors), (0, b""))

    @staticmethod
    def fetch_status(port, url):
        conn = http.client.HTTPConnection("127.0.0.1", port, timeout=5)
        try:
            conn.request("GET", url)
            response = conn.getresponse()
            response.read()
            return response.status
        finally:
            conn.close()


if __name__ == "__main__":
    unittest.main()
