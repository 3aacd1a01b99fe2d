#!/usr/bin/env python3
"""Stand-in for the Verdimo site and the author's web space, served on loopback.

The program under Wine reaches the web through the `http_proxy` it is given, so this server acts as
that proxy: it takes absolute-form requests ("GET http://www.verdimo.test:80/someband") as well as
origin-form ones with a Host header, and answers by host name from the fixtures folder. Nothing is
ever forwarded; a host it does not serve gets its connection reset without an answer, which the
client sees as a failed connection, as for a name that does not resolve.

Besides the fixed fixtures it serves generated bodies (deterministic bytes of any size, streamed) and
a few broken answers (cut-off bodies, slow bodies, error statuses) so that tests can watch the program
deal with them. The byte generators are plain functions here so that tests can recompute bodies.

Usage: python3 server.py [--port N] [--port-file PATH] [--request-log PATH] [--fixtures DIR]
                        [--notice-mode MODE]
"""

import argparse
import collections
import email.utils
import json
import os
import re
import signal
import socket
import struct
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import unquote_to_bytes

SITE_HOST = "www.verdimo.test"
PLAYLIST_HOST = "media.verdimo.test"
PLAYER_HOST = "player.verdimo.test"
AUDIO_HOST = "audio.verdimo.test"
AUTHOR_HOSTS = ("www.vmd-author.test", "vmd-author.test")

PLAYLIST_PATH = "/services/media/musicplayerxml.ashx"

# The first four bytes of every generated body: an MPEG-1 Layer III frame header (128 kbit/s,
# 44.1 kHz), so that the files at least start like MP3 files.
MP3_FRAME_HEADER = b"\xff\xfb\x90\x64"

STREAM_CHUNK = 64 * 1024
MAX_GENERATED_SIZE = 1 << 30

NOT_FOUND_PAGE = (b"<html><head><title>Not found</title></head>\n"
                  b"<body><h1>Not found</h1></body></html>\n")
SERVER_ERROR_PAGE = (b"<html><head><title>Internal Server Error</title></head>\n"
                     b"<body><h1>Internal Server Error</h1></body></html>\n")
EMPTY_PLAYLIST = b"<playlist></playlist>"

# Player movies: the program only hands their addresses to the Flash control and never reads them,
# so a short marked body per movie is enough to tell them apart.
PLAYER_MOVIES = {
    "/music/musicplayer.swf": b"FWS\x09 verdimo stand-in movie: full player\n",
    "/mini/mini.swf": b"FWS\x09 verdimo stand-in movie: mini player\n",
    "/music/player_popup.swf": b"FWS\x09 verdimo stand-in movie: popup player\n",
}

DROP_SONG_ANNOUNCED = 100000
DROP_SONG_SENT = 1000
DROP_PAGE_ANNOUNCED = 50000
DROP_PAGE_SENT = 2000
SLOW_SONG_SIZE = 64 * 1024
SLOW_SONG_PIECES = 64
SLOW_SONG_DEFAULT_SECONDS = 3.0
LARGE_SONG_SIZE = 20 * 1024 * 1024
GENERATED_LAST_MODIFIED = "Mon, 01 Jan 2024 00:00:00 GMT"
BIG_PAGE_DEFAULT_SIZE = 100000
# Profiles whose page the site holds back for a while before it answers.
HELD_PROFILES = {"heldband": 10.0}
# Friend IDs "rows-<n>" get a generated playlist of n tracks, at most this many.
GENERATED_PLAYLIST_MAX = 100000
# The songs of a friend ID "slow-<n>": 256 KB each, sent over about two seconds in 4 KB pieces.
SLOW_PLAYLIST_SONG_SIZE = 256 * 1024
SLOW_PLAYLIST_SECONDS = 2
PACED_PIECE = 4096

# The author's notice: the two files the program fetches at start-up, and the modes that choose
# what they hold (see "The author's notice" below).
NOTICE_FOLDER = "/downloader/verdimo/notice/files/"
NOTICE_DATA_PATH = NOTICE_FOLDER + "notice-data.txt"
NOTICE_IMAGE_PATH = NOTICE_FOLDER + "notice1.png"
NOTICE_LINK = "http://www.vmd-author.test/news.html"
NOTICE_SLOW_SECONDS = 15.0
NOTICE_NOT_PNG = b"GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00!\xf9\x04\x01\x00\x00\x00\x00" \
    b",\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02D\x01\x00;"
CONTROL_HOST = "site-control.test"

# Hostile answers: a page at www.verdimo.test/hostile/<mode> and a playlist for the friend ID
# "hostile-<mode>" (see "Hostile answers" in README.md).
HOSTILE_MODES = ("junk", "huge", "endless", "endless-slow", "trickle", "drop10")
HOSTILE_JUNK_SIZE = 65536
HOSTILE_HUGE_SIZE = 100 * 1024 * 1024
HOSTILE_TRICKLE_PIECE = 7
HOSTILE_TRICKLE_PAUSE = 0.01
HOSTILE_SLOW_PIECE = 8
HOSTILE_SLOW_PAUSE = 0.25
HOSTILE_DROP_SENT = 10
# A stand-in Windows program, served as a song: only its first two bytes make it look like one.
PROGRAM_STUB = b"MZ" + b"\0" * 510

CONTENT_TYPES = {
    ".htm": "text/html; charset=windows-1252",
    ".html": "text/html; charset=windows-1252",
    ".txt": "text/plain; charset=windows-1252",
    ".xml": "text/xml; charset=windows-1252",
    ".png": "image/png",
    ".mp3": "audio/mpeg",
    ".swf": "application/x-shockwave-flash",
}


# ---------------------------------------------------------------------------------------------
# Deterministic bodies


# The bursts of /fault/bursts.mp3.
BURST_COUNT = 40


def generated_byte(seed, i):
    """Byte i of the generated body for seed: the reference form of the generator."""
    if i < len(MP3_FRAME_HEADER):
        return MP3_FRAME_HEADER[i]
    return (i * 131 + seed * 7 + (i >> 8)) & 0xFF


# Within an aligned run of 256 bytes (i = 256 * k + j) the formula is (131 * j + 7 * seed + k) mod 256,
# so every run is one of 256 fixed rows, picked by (7 * seed + k) mod 256.
_GENERATED_ROWS = [bytes((131 * j + c) & 0xFF for j in range(256)) for c in range(256)]


def generated_bytes(seed, start, length):
    """Bytes start .. start + length - 1 of the generated body for seed (same as generated_byte)."""
    if length <= 0:
        return b""
    end = start + length
    first_row = start >> 8
    last_row = (end - 1) >> 8
    base = seed * 7
    data = b"".join(_GENERATED_ROWS[(base + k) & 0xFF] for k in range(first_row, last_row + 1))
    offset = start - (first_row << 8)
    data = data[offset:offset + length]
    if start < len(MP3_FRAME_HEADER):
        head = MP3_FRAME_HEADER[start:min(end, len(MP3_FRAME_HEADER))]
        data = head + data[len(head):]
    return data


def generated_chunks(seed, size, start=0):
    """The generated body for seed from byte start to size, in pieces of at most STREAM_CHUNK."""
    position = start
    while position < size:
        length = min(STREAM_CHUNK, size - position)
        yield generated_bytes(seed, position, length)
        position += length


_PAGE_TEXT_PERIOD = 832  # lcm(64, 26): the text repeats after this many bytes


def page_text_byte(i):
    """Byte i of the generated page text: a to z over and over, a line break as every 64th byte."""
    if i % 64 == 63:
        return 0x0A
    return 0x61 + i % 26


_PAGE_TEXT_CYCLE = bytes(page_text_byte(i) for i in range(_PAGE_TEXT_PERIOD))


def page_text_bytes(start, length):
    """Bytes start .. start + length - 1 of the generated page text (same as page_text_byte)."""
    if length <= 0:
        return b""
    offset = start % _PAGE_TEXT_PERIOD
    repeats = (offset + length) // _PAGE_TEXT_PERIOD + 1
    return (_PAGE_TEXT_CYCLE * repeats)[offset:offset + length]


def page_text_chunks(size):
    position = 0
    while position < size:
        length = min(STREAM_CHUNK, size - position)
        yield page_text_bytes(position, length)
        position += length


def drop_page_head():
    """The 2000 bytes of HTML that /fault/drop-page sends before it cuts the connection."""
    text = b"<html><head><title>Cut short</title></head>\n<body>\n"
    number = 1
    while len(text) < DROP_PAGE_SENT:
        text += b"<p>Line %04d of a page whose connection is cut.</p>\n" % number
        number += 1
    return text[:DROP_PAGE_SENT]


def junk_bytes(length):
    """length bytes of deterministic binary junk: every byte value, zero and quotes included."""
    state = 12345
    out = bytearray(length)
    for i in range(length):
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        out[i] = (state >> 16) & 0xFF
    return bytes(out)


def hostile_titles_playlist():
    """Titles that try to leave the chosen folder, name a device, run long or break the document.

    Every track's durl is tone1.mp3. The last track holds a zero byte inside its title, and the
    document ends without closing that track."""
    song = "http://%s/songs/tone1.mp3" % AUDIO_HOST
    titles = [
        b"..\\..\\..\\evil",
        b"../../evil/x",
        b"C:\\Windows\\win.ini",
        b"\\\\server\\share\\x",
        b"CON",
        b"aux.txt",
        b"COM1",
        b"LPT9 .mp3",
        b"L" * 1000,
        b"Bell\x07Esc\x1b&#27;Tab\tDel\x7f",
        b"a:b*c?d<e>f|g",
        b"...",
    ]
    tracks = [b'<song title="%s" durl="%s" purl="" />\n' % (t, song.encode("ascii")) for t in titles]
    # A title whose quote never closes, taking the next track's markers into it.
    tracks.append(b'<song title="Unterminated durl="%s" purl="" />\n' % song.encode("ascii"))
    tracks.append(b'<song title="Nul\0After" durl="%s" purl="" />\n' % song.encode("ascii"))
    return b"<playlist>\n" + b"".join(tracks)


def hostile_songs_playlist():
    """One track per broken song: missing, cut short, empty, slow and a Windows program."""
    audio = "http://" + AUDIO_HOST
    rows = [("Missing", "/fault/404.mp3"), ("Dropped", "/fault/drop.mp3"), ("Empty", "/fault/empty.mp3"),
            ("Slow", "/fault/slow.mp3?seconds=2"), ("Program", "/fault/program.mp3")]
    tracks = ('<song title="%s" durl="%s%s" purl="" />\n' % (name, audio, path) for name, path in rows)
    return ("<playlist>\n" + "".join(tracks) + "</playlist>\n").encode("ascii")


# ---------------------------------------------------------------------------------------------
# The author's notice


class NoticeMode:
    """What the notice data and notice image requests get; one mode for the whole server.

    name is one of NOTICE_MODES; data, when not None, replaces the notice data body (bytes) in
    every mode that answers the data request. Replaced whole, so a request sees one mode.
    """

    def __init__(self, name="valid", data=None):
        if name not in NOTICE_MODES:
            raise ValueError("unknown notice mode: %r" % name)
        self.name = name
        self.data = data


# mode -> (notice data body, or None for the file; image: "file", "half", "not-png")
NOTICE_MODES = {
    "valid": (None, "file"),
    "nolink": (b"5000", "file"),
    "negative": (b"-5;" + NOTICE_LINK.encode("ascii"), "file"),
    "notpng": (None, "not-png"),
    "truncated": (None, "half"),
    "slow": (None, "file"),
    "noanswer": (None, "file"),
}


def notice_reply(mode, path, file_path):
    """The Reply for the notice data or image under mode; None for no answer at all."""
    data_body, image_kind = NOTICE_MODES[mode.name]
    if path == NOTICE_DATA_PATH:
        if mode.name == "noanswer":
            return None
        if mode.data is not None:
            body = mode.data
        elif data_body is not None:
            body = data_body
        else:
            reply = file_reply(file_path)
            body = reply.pieces[0] if reply.status == 200 else None
            if body is None:
                return reply
        if mode.name == "slow":
            # The headers go out at once, the body after the pause.
            return Reply(200, CONTENT_TYPES[".txt"], [body], len(body), pause=NOTICE_SLOW_SECONDS)
        return whole(200, CONTENT_TYPES[".txt"], body)
    reply = file_reply(file_path)
    if image_kind == "file" or reply.status != 200:
        return reply
    if image_kind == "half":
        png = reply.pieces[0]
        return whole(200, CONTENT_TYPES[".png"], png[:len(png) // 2])
    return whole(200, CONTENT_TYPES[".png"], NOTICE_NOT_PNG)


def control_reply(site, path, query):
    """The control host: GET /notice-mode?set=NAME[&data=TEXT] chooses the notice mode (TEXT
    percent-escaped); GET /notice-mode tells the present one. The answer is the mode's name.
    GET /release ends every endless body; GET /program-body?path=PATH serves the file at PATH
    (which must start with "MZ") as /fault/program.mp3."""
    if path == "/release":
        site.release()
        return whole(200, CONTENT_TYPES[".txt"], b"released")
    if path == "/program-body":
        file_path = unquote_to_bytes(query_value(query, "path", "")).decode("latin-1")
        try:
            with open(file_path, "rb") as f:
                body = f.read()
        except OSError:
            body = b""
        if not body.startswith(b"MZ"):
            return whole(400, CONTENT_TYPES[".txt"], b"not a program")
        site.program_body = body
        return whole(200, CONTENT_TYPES[".txt"], b"program")
    if path != "/notice-mode":
        return not_found()
    name = query_value(query, "set", None)
    if name is not None:
        data = query_value(query, "data", None)
        try:
            site.notice_mode = NoticeMode(name, None if data is None else unquote_to_bytes(data))
        except ValueError:
            return whole(400, CONTENT_TYPES[".txt"], b"unknown notice mode")
    return whole(200, CONTENT_TYPES[".txt"], site.notice_mode.name.encode("ascii"))


# ---------------------------------------------------------------------------------------------
# Routing


class Reply:
    """One answer: status, headers and a body given as pieces.

    length is what Content-Length announces (None: no Content-Length, the closed connection ends
    the body, as HTTP/1.1 allows without Transfer-Encoding); when the pieces hold fewer bytes the connection is cut
    after them (cut=True). pause is the time to wait before each piece.
    length None: no Content-Length at all; the body runs until the connection closes.
    """

    def __init__(self, status, content_type, pieces, length, cut=False, pause=0.0, headers=(), song=None, cut_at=None,
                 odd=None):
        self.headers = headers
        self.odd = odd  # a part that does not fit (see misfit_part)
        self.song, self.cut_at = song, cut_at  # a Song takes ranges; cut_at body bytes end the connection
        self.status = status
        self.content_type = content_type
        self.pieces = pieces
        self.length = length
        self.cut = cut
        self.pause = pause


# A song body that can be sent from any byte on (rest(start) gives the pieces), with its validators.
Song = collections.namedtuple("Song", "total rest etag last_modified")


def song_reply(song, cut_at=None):
    return Reply(200, CONTENT_TYPES[".mp3"], song.rest(0), song.total, song=song, cut_at=cut_at)


def paced_song(seed, size, seconds):
    """Seed's generated song of size bytes sent in pieces over about ?seconds= (at most 600), taking
    ranges as every generated song does."""
    if not seconds.replace(".", "", 1).isdigit():
        return not_found()
    pieces = max(1, (size + PACED_PIECE - 1) // PACED_PIECE)
    song = Song(size, lambda start: (generated_bytes(seed, at, min(PACED_PIECE, size - at))
                                     for at in range(start, size, PACED_PIECE)),
                '"gen-%d-%d"' % (size, seed), GENERATED_LAST_MODIFIED)
    return Reply(200, CONTENT_TYPES[".mp3"], song.rest(0), size, song=song,
                 pause=min(float(seconds), 600.0) / pieces)


def generated_song(seed, size):
    return Song(size, lambda start: generated_chunks(seed, size, start), '"gen-%d-%d"' % (size, seed),
                GENERATED_LAST_MODIFIED)


def misfit_part(reply, range_header):
    """The 206 a careless server gives (see README.md): "plain" to any request, from its range's start
    or 0; "short" to a range, ending half-way to the total; "etag" to a range, under another ETag.
    None for a plain request to "short" or "etag", which gets the whole song."""
    song = reply.song
    match = re.fullmatch(r"bytes=(\d{1,18})-", (range_header or "").strip())
    start = min(int(match.group(1)), song.total - 1) if match else 0
    if not match and reply.odd != "plain":
        return None
    last, etag = song.total - 1, song.etag
    if reply.odd == "short":
        last = start + (song.total - start) // 2 - 1
    elif reply.odd == "etag":
        etag = '"another-version"'
    pieces = (piece for piece in [generated_bytes(0, start, last + 1 - start)])
    return Reply(206, reply.content_type, pieces, last + 1 - start,
                 headers=(("ETag", etag), ("Content-Range", "bytes %d-%d/%d" % (start, last, song.total))))


def ranged(reply, range_header, if_range):
    """A song's answer to Range "bytes=N-" and If-Range (see README.md); other replies unchanged."""
    song = reply.song
    if song is None or reply.status != 200:
        return reply
    odd = misfit_part(reply, range_header) if reply.odd is not None else None
    if odd is not None:
        return odd
    reply.headers = tuple(reply.headers) + (("ETag", song.etag), ("Last-Modified", song.last_modified),
                                            ("Accept-Ranges", "bytes"))
    match = re.fullmatch(r"bytes=(\d{1,18})-", (range_header or "").strip())
    start = int(match.group(1)) if match else song.total
    if start >= song.total or (if_range is not None and if_range.strip() not in (song.etag, song.last_modified)):
        return reply
    return Reply(206, reply.content_type, song.rest(start), song.total - start, song=song, cut_at=reply.cut_at,
                 pause=reply.pause, headers=reply.headers + (("Content-Range", "bytes %d-%d/%d" % (start, song.total - 1, song.total)),))


def whole(status, content_type, body):
    return Reply(status, content_type, [body], len(body))


def not_found():
    return whole(404, CONTENT_TYPES[".html"], NOT_FOUND_PAGE)


def content_type_of(name):
    return CONTENT_TYPES.get(os.path.splitext(name)[1].lower(), "application/octet-stream")


def safe_name(name):
    """True for a single path component that cannot leave its folder."""
    return bool(name) and name not in (".", "..") and "/" not in name and "\\" not in name \
        and "\0" not in name and not name.startswith(".")


def file_reply(path, resumable=False):
    try:
        with open(path, "rb") as f:
            body = f.read()
            mtime = os.fstat(f.fileno()).st_mtime
    except OSError:
        return not_found()
    if not resumable:
        return whole(200, content_type_of(path), body)
    return song_reply(Song(len(body), lambda start: [body[start:]], '"file-%d-%d"' % (len(body), int(mtime)),
                           email.utils.formatdate(mtime, usegmt=True)))


def query_value(query, key, default):
    """The raw value of key=value in a query, or default."""
    for part in query.split("&"):
        name, _, value = part.partition("=")
        if name == key:
            return value
    return default


def bounded_size(text, default):
    """A byte count from a query or path: decimal digits only, at most MAX_GENERATED_SIZE."""
    if text is None:
        return default
    if not text.isdigit() or len(text) > 12:
        return None
    size = int(text)
    return size if size <= MAX_GENERATED_SIZE else None


def generated_playlist(friend_id):
    """The playlist for a friend ID "rows-<n>": n tracks "Track <k>" (k from 1) whose durl is the
    2048-byte generated body of seed k; for "slow-<n>" the same tracks paced (paced_song); for
    "static-<n>" tracks "Track <k>" at http://static.verdimo.test/<k>.mp3, a host a real server
    of the bench's answers; for "same-<n>" n tracks all called "Song"; for "big-<n>" tracks of 2 MB;
    None for any other ID."""
    prefix, _, count_text = friend_id.partition("-")
    if prefix not in ("rows", "slow", "static", "same", "big") or not count_text.isdigit() or len(count_text) > 6:
        return None
    count = int(count_text)
    if count > GENERATED_PLAYLIST_MAX:
        return None
    song = {"rows": "http://%s/gen/2048/%%d.mp3" % AUDIO_HOST, "same": "http://%s/gen/2048/%%d.mp3" % AUDIO_HOST,
            "slow": "http://%s/gen/%d/%%d.mp3?seconds=%d" % (AUDIO_HOST, SLOW_PLAYLIST_SONG_SIZE, SLOW_PLAYLIST_SECONDS),
            "static": "http://static.verdimo.test/%d.mp3",
            "big": "http://%s/gen/2097152/%%d.mp3" % AUDIO_HOST}[prefix]
    title = "Song" if prefix == "same" else "Track %d"
    tracks = ('<song title="%s" durl="%s" purl="" />\n' % (title % k if "%" in title else title, song % k)
              for k in range(1, count + 1))
    return ("<playlist>\n" + "".join(tracks) + "</playlist>\n").encode("ascii")


class Site:
    """The fixtures folder and the playlist index read from it."""

    def __init__(self, fixtures, notice_mode="valid"):
        self.fixtures = os.path.abspath(fixtures)
        self.notice_mode = NoticeMode(notice_mode)
        with open(os.path.join(self.fixtures, "playlists", "index.json"), encoding="utf-8") as f:
            self.playlists = json.load(f)
        self.program_body = PROGRAM_STUB
        self.released = threading.Event()
        self.release_lock = threading.Lock()
        self.cut_ids, self.cut_lock = set(), threading.Lock()

    def release(self):
        """Ends every endless body now running; later ones run again until the next release."""
        with self.release_lock:
            self.released.set()
            self.released = threading.Event()

    def endless(self, piece, pause):
        """Page text in pieces of piece bytes, pause seconds apart, until a release."""
        released = self.released
        position = 0
        while not released.is_set():
            if pause > 0:
                released.wait(pause)
            yield page_text_bytes(position, piece)
            position += piece

    def stall(self, query):
        """The head of a long song, then nothing until ?seconds= pass (at most 600) or a release."""
        released, seconds = self.released, query_value(query, "seconds", "120")
        yield generated_bytes(0, 0, DROP_SONG_SENT)
        released.wait(min(float(seconds), 600.0) if seconds.replace(".", "", 1).isdigit() else 120.0)

    def busy_once(self, query):
        """Seed 0's generated song of ?bytes=N (default 100000); the first request for an ?id= gets
        503 with Retry-After: 1 instead."""
        key, size = query_value(query, "id", ""), bounded_size(query_value(query, "bytes", None), 100000)
        if not re.fullmatch(r"[A-Za-z0-9_-]{1,64}", key) or not size:
            return not_found()
        with self.cut_lock:
            first = ("busy", key) not in self.cut_ids
            self.cut_ids.add(("busy", key))
        if first:
            return Reply(503, CONTENT_TYPES[".html"], [b"busy"], 4, headers=(("Retry-After", "1"),))
        return song_reply(generated_song(0, size))

    def bursts(self, query):
        """Seed 0's generated body in 40 bursts of ?bytes=B (1 to 65536), one every ?every=S seconds
        (at most 60), announced in full."""
        size, every = bounded_size(query_value(query, "bytes", None), 500), query_value(query, "every", "1")
        if not size or size > 65536 or not every.replace(".", "", 1).isdigit():
            return not_found()
        pieces = (generated_bytes(0, n * size, size) for n in range(BURST_COUNT))
        return Reply(200, CONTENT_TYPES[".mp3"], pieces, size * BURST_COUNT, pause=min(float(every), 60.0))

    def hostile(self, mode, whole_body, content_type):
        """The hostile answer of mode, whose "trickle" and "drop10" forms carry whole_body."""
        if mode == "junk":
            return whole(200, content_type, junk_bytes(HOSTILE_JUNK_SIZE))
        if mode == "huge":
            return Reply(200, content_type, page_text_chunks(HOSTILE_HUGE_SIZE), HOSTILE_HUGE_SIZE)
        if mode == "endless":
            return Reply(200, content_type, self.endless(STREAM_CHUNK, 0.0), None)
        if mode == "endless-slow":
            return Reply(200, content_type, self.endless(HOSTILE_SLOW_PIECE, HOSTILE_SLOW_PAUSE), None)
        if mode == "trickle":
            pieces = [whole_body[i:i + HOSTILE_TRICKLE_PIECE]
                      for i in range(0, len(whole_body), HOSTILE_TRICKLE_PIECE)]
            return Reply(200, content_type, pieces, len(whole_body), pause=HOSTILE_TRICKLE_PAUSE)
        if mode == "drop10":
            return Reply(200, content_type, [whole_body[:HOSTILE_DROP_SENT]], len(whole_body), cut=True)
        return not_found()

    def cut_once(self, query):
        """Seed 0's generated song of ?bytes=N, cut half-way the first time its ?id= is asked for."""
        key, size = query_value(query, "id", ""), bounded_size(query_value(query, "bytes", None), 100000)
        if not re.fullmatch(r"[A-Za-z0-9_-]{1,64}", key) or not size:
            return not_found()
        with self.cut_lock:
            first = key not in self.cut_ids
            self.cut_ids.add(key)
        return song_reply(generated_song(0, size), size // 2 if first else None)

    def route(self, host, path, query):
        """The Reply for one request, or None for a host this server does not serve."""
        if host == SITE_HOST:
            return self.site_page(path, query)
        if host == PLAYLIST_HOST:
            return self.playlist(path, query)
        if host == PLAYER_HOST:
            movie = PLAYER_MOVIES.get(path)
            return whole(200, CONTENT_TYPES[".swf"], movie) if movie is not None else not_found()
        if host == AUDIO_HOST:
            return self.audio(path, query)
        if host in AUTHOR_HOSTS:
            if path in (NOTICE_DATA_PATH, NOTICE_IMAGE_PATH):
                return notice_reply(self.notice_mode, path,
                                    os.path.join(self.fixtures, "author", *path[1:].split("/")))
            return self.author_page(path)
        if host == CONTROL_HOST:
            return control_reply(self, path, query)
        return None

    def site_page(self, path, query):
        if path == "/":
            return file_reply(os.path.join(self.fixtures, "home", "page.html"))
        if path.startswith("/status/") and path[len("/status/"):].isdigit() and len(path) == len("/status/") + 3:
            status = int(path[len("/status/"):])
            if 200 <= status <= 599:
                return whole(status, CONTENT_TYPES[".html"], b"<html><body>status %d</body></html>" % status)
        if path == "/fault/drop-page":
            return Reply(200, CONTENT_TYPES[".html"], [drop_page_head()], DROP_PAGE_ANNOUNCED,
                         cut=True)
        if path == "/fault/zero-byte-page":
            return whole(200, CONTENT_TYPES[".html"], b"before\0after")
        if path == "/fault/big-page":
            size = bounded_size(query_value(query, "bytes", None), BIG_PAGE_DEFAULT_SIZE)
            if size is None:
                return not_found()
            return Reply(200, CONTENT_TYPES[".txt"], page_text_chunks(size), size)
        if path.startswith("/hostile/"):
            page = file_reply(os.path.join(self.fixtures, "profiles", "someband", "page.html"))
            return self.hostile(path[len("/hostile/"):], page.pieces[0], CONTENT_TYPES[".html"])
        # Profile names are matched without regard to letter case, as the site does.
        name = path[1:].rstrip("/").lower()
        if not safe_name(name):
            return not_found()
        reply = file_reply(os.path.join(self.fixtures, "profiles", name, "page.html"))
        reply.pause = HELD_PROFILES.get(name, 0.0)
        return reply

    def playlist(self, path, query):
        if path != PLAYLIST_PATH:
            return not_found()
        # The friend ID is everything after "b=", as the program sends it: unescaped, so it may
        # itself hold "&" or "&amp;". An escaped form is tried too, in case the client escaped it.
        file_name = None
        if query.startswith("b="):
            friend_id = query[2:]
            generated = generated_playlist(friend_id)
            if generated is not None:
                return whole(200, CONTENT_TYPES[".xml"], generated)
            if friend_id == "hostile-titles":
                return whole(200, CONTENT_TYPES[".xml"], hostile_titles_playlist())
            if friend_id == "hostile-songs":
                return whole(200, CONTENT_TYPES[".xml"], hostile_songs_playlist())
            if friend_id.startswith("hostile-") and friend_id[len("hostile-"):] in HOSTILE_MODES:
                someband = file_reply(os.path.join(self.fixtures, "playlists", "someband.xml"))
                return self.hostile(friend_id[len("hostile-"):], someband.pieces[0], CONTENT_TYPES[".xml"])
            file_name = self.playlists.get(friend_id)
            if file_name is None:
                unescaped = unquote_to_bytes(friend_id).decode("latin-1")
                file_name = self.playlists.get(unescaped)
        if file_name is None:
            return whole(200, CONTENT_TYPES[".xml"], EMPTY_PLAYLIST)
        return file_reply(os.path.join(self.fixtures, "playlists", file_name))

    def audio(self, path, query):
        if path.startswith("/songs/"):
            name = path[len("/songs/"):]
            if not safe_name(name):
                return not_found()
            return file_reply(os.path.join(self.fixtures, "songs", name), resumable=True)
        if path.startswith("/gen/") and path.endswith(".mp3"):
            size_text, _, seed_text = path[len("/gen/"):-len(".mp3")].partition("/")
            size = bounded_size(size_text, None)
            if size is None or not seed_text.isdigit() or len(seed_text) > 9:
                return not_found()
            seconds = query_value(query, "seconds", "")
            if not seconds:
                return song_reply(generated_song(int(seed_text), size))
            return paced_song(int(seed_text), size, seconds)
        if path == "/large.mp3":
            return song_reply(generated_song(0, LARGE_SONG_SIZE))
        if path == "/fault/cut-once.mp3":
            return self.cut_once(query)
        if path == "/fault/part.mp3":
            kind, size = query_value(query, "kind", ""), bounded_size(query_value(query, "bytes", None), 100000)
            if kind not in ("plain", "short", "etag") or not size:
                return not_found()
            reply = song_reply(generated_song(0, size))
            reply.odd = kind
            return reply
        if path == "/fault/bursts.mp3":
            return self.bursts(query)
        if path == "/fault/busy-once.mp3":
            return self.busy_once(query)
        if path == "/fault/404.mp3":
            return not_found()
        if path == "/fault/500.mp3":
            return whole(500, CONTENT_TYPES[".html"], SERVER_ERROR_PAGE)
        if path == "/fault/program.mp3":
            return whole(200, CONTENT_TYPES[".mp3"], self.program_body)
        if path == "/fault/empty.mp3":
            return whole(200, CONTENT_TYPES[".mp3"], b"")
        if path == "/fault/drop.mp3":
            return Reply(200, CONTENT_TYPES[".mp3"], [generated_bytes(0, 0, DROP_SONG_SENT)],
                         DROP_SONG_ANNOUNCED, cut=True)
        if path == "/fault/redirect.mp3":
            to = unquote_to_bytes(query_value(query, "to", "")).decode("latin-1")
            return Reply(302, CONTENT_TYPES[".html"], [b""], 0, headers=(("Location", to),))
        if path == "/fault/stall.mp3":
            return Reply(200, CONTENT_TYPES[".mp3"], self.stall(query), DROP_SONG_ANNOUNCED, cut=True)
        if path in ("/fault/slow.mp3", "/fault/slow-unsized.mp3"):
            try:
                seconds = float(query_value(query, "seconds", SLOW_SONG_DEFAULT_SECONDS))
            except ValueError:
                seconds = SLOW_SONG_DEFAULT_SECONDS
            seconds = min(max(seconds, 0.0), 600.0)
            piece = SLOW_SONG_SIZE // SLOW_SONG_PIECES
            pieces = (generated_bytes(0, n * piece, piece) for n in range(SLOW_SONG_PIECES))
            # The unsized one announces no length: the closed connection ends its body.
            length = None if path == "/fault/slow-unsized.mp3" else SLOW_SONG_SIZE
            return Reply(200, CONTENT_TYPES[".mp3"], pieces, length,
                         pause=seconds / SLOW_SONG_PIECES)
        return not_found()

    def author_page(self, path):
        # The author's web space is a plain tree of files under fixtures/author.
        if path == "/":
            path = "/index.html"
        parts = path[1:].split("/")
        if not all(safe_name(part) for part in parts):
            return not_found()
        return file_reply(os.path.join(self.fixtures, "author", *parts))


# ---------------------------------------------------------------------------------------------
# HTTP


def split_target(target, host_header):
    """(host, path, query, absolute url) of a request target; host is "" when none is known.

    The host is lower-cased with its port and a trailing dot removed. The query is everything after
    the first "?", raw.
    """
    if target.lower().startswith("http://"):
        rest = target[len("http://"):]
        cut = len(rest)
        for mark in "/?":
            found = rest.find(mark)
            if found >= 0:
                cut = min(cut, found)
        authority, path_and_query = rest[:cut], rest[cut:]
        absolute = target
    elif target.startswith("/"):
        authority, path_and_query = host_header or "", target
        absolute = "http://" + authority + target
    else:
        return "", "", "", target
    if not path_and_query.startswith("/"):
        path_and_query = "/" + path_and_query
    authority = authority.rpartition("@")[2]
    if authority.startswith("["):
        host = authority.partition("]")[0] + "]"
    else:
        host = authority.partition(":")[0]
    host = host.lower().rstrip(".")
    path, _, query = path_and_query.partition("?")
    return host, path, query, absolute


class RequestLog:
    """One tab-separated line per request, appended and flushed at once."""

    def __init__(self, path):
        self.lock = threading.Lock()
        self.file = open(path, "a", encoding="latin-1", newline="\n") if path else None

    def write(self, method, url, status, sent):
        with self.lock:
            if self.file is None:
                return
            self.file.write("%s\t%s\t%d\t%d\n" % (method, url, status, sent))
            self.file.flush()

    def close(self):
        with self.lock:
            if self.file is not None:
                self.file.close()
                self.file = None


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "VerdimoStandIn/1.0"
    sys_version = ""
    timeout = 60

    def log_message(self, format, *args):  # noqa: A002 - the base class's name
        pass

    def do_GET(self):
        self.answer(send_body=True)

    def do_HEAD(self):
        self.answer(send_body=False)

    def do_CONNECT(self):
        """The stand-in has no TLS: a tunnel is logged and refused with 502."""
        self.close_connection = True
        self.server.request_log.write("CONNECT", self.path, 502, 0)
        self.send_response_only(502)
        self.send_header("Content-Length", "0")
        self.send_header("Connection", "close")
        self.end_headers()

    def answer(self, send_body):
        self.close_connection = True
        host, path, query, absolute = split_target(self.path, self.headers.get("Host"))
        if host == SITE_HOST and path == "/echo/user-agent":
            agent = self.headers.get("User-Agent", "")
            reply = whole(200, CONTENT_TYPES[".txt"], agent.encode("latin-1", "replace"))
        else:
            reply = self.server.site.route(host, path, query) if host else None
            if reply is not None:
                reply = ranged(reply, self.headers.get("Range"), self.headers.get("If-Range"))
        if reply is None:
            # Not a host of ours: no answer at all, the connection is reset, as a client sees a
            # host that cannot be reached.
            self.server.request_log.write(self.command, absolute, 0, 0)
            self.reset_connection()
            return
        sent = self.send_reply(reply, send_body)
        self.server.request_log.write(self.command, absolute, reply.status, sent)

    def reset_connection(self):
        """Makes the coming close send a reset instead of an orderly end."""
        try:
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        except OSError:
            pass
        with self.server.reset_lock:
            self.server.reset_sockets.add(self.connection)

    def send_reply(self, reply, send_body):
        """Sends the reply and returns the number of body bytes that went out."""
        sent = 0
        try:
            self.send_response_only(reply.status)
            self.send_header("Content-Type", reply.content_type)
            if reply.length is not None:
                self.send_header("Content-Length", str(reply.length))
            for name, value in reply.headers:
                self.send_header(name, value)
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.flush()
            if not send_body:
                return 0
            for piece in reply.pieces:
                if reply.pause > 0:
                    time.sleep(reply.pause)
                piece = piece if reply.cut_at is None else piece[:reply.cut_at - sent]
                self.wfile.write(piece)
                sent += len(piece)
            self.wfile.flush()
            if reply.cut or reply.cut_at is not None:
                self.connection.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass  # the client went away; what was sent is what counts
        return sent


class Server(ThreadingHTTPServer):
    # Fifty transfers may connect at the same moment.
    request_queue_size = 128
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, port, site, request_log):
        self.site = site
        self.request_log = request_log
        self.reset_sockets = set()
        self.reset_lock = threading.Lock()
        super().__init__(("127.0.0.1", port), Handler)

    def shutdown_request(self, request):
        # The usual end sends an orderly FIN first, which a client reads as an empty answer; a
        # connection to be reset is closed at once, so the reset is all the client sees.
        with self.reset_lock:
            reset = request in self.reset_sockets
            self.reset_sockets.discard(request)
        if reset:
            self.close_request(request)
        else:
            super().shutdown_request(request)

    def handle_error(self, request, client_address):
        pass  # a client that went away is no news


def write_port_file(path, port):
    tmp = path + ".tmp"
    with open(tmp, "w", encoding="ascii") as f:
        f.write("%d\n" % port)
    os.replace(tmp, path)


def main(argv=None):
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description="Stand-in Verdimo site and author web space.")
    parser.add_argument("--port", type=int, default=0, help="port on 127.0.0.1; 0 picks a free one")
    parser.add_argument("--port-file", help="file that receives the port once the server listens")
    parser.add_argument("--request-log", help="file to append one line per request to")
    parser.add_argument("--fixtures", default=os.path.join(here, "fixtures"),
                        help="fixtures folder (default: fixtures next to this script)")
    parser.add_argument("--notice-mode", default="valid", choices=sorted(NOTICE_MODES),
                        help="what the author's notice holds at the start (default: valid)")
    args = parser.parse_args(argv)

    site = Site(args.fixtures, args.notice_mode)
    request_log = RequestLog(args.request_log)
    server = Server(args.port, site, request_log)

    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())

    serving = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.2},
                               daemon=True)
    serving.start()
    if args.port_file:
        write_port_file(args.port_file, server.server_address[1])

    while not stop.wait(0.5):
        pass
    server.shutdown()
    server.server_close()
    request_log.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
