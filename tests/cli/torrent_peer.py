"""A peer for the torrent tests, built on libtorrent's Python bindings.

  make v2|hybrid PIECE_LENGTH PATH OUT   writes a .torrent of the file or folder at PATH
  recheck TORRENT SAVE_PATH FILE_PATH    prints, as JSON, the ranges of the file FILE_PATH
                                         (its path in the torrent) whose pieces a recheck of
                                         the download under SAVE_PATH finds bad
"""
import json
import os
import sys
import time

import libtorrent as lt


def make(kind, piece_length, path, out):
    files = lt.file_storage()
    lt.add_files(files, path)
    flags = lt.create_torrent.v2_only if kind == "v2" else 0
    torrent = lt.create_torrent(files, piece_length, flags=flags)
    lt.set_piece_hashes(torrent, os.path.dirname(os.path.abspath(path)))
    with open(out, "wb") as f:
        f.write(lt.bencode(torrent.generate()))


def recheck(torrent_path, save_path, file_path):
    info = lt.torrent_info(torrent_path)
    session = lt.session({"enable_dht": False, "enable_lsd": False, "enable_upnp": False,
                          "enable_natpmp": False, "listen_interfaces": "127.0.0.1:0"})
    params = lt.add_torrent_params()
    params.ti = info
    params.save_path = save_path
    handle = session.add_torrent(params)
    handle.force_recheck()
    checking = (lt.torrent_status.checking_files, lt.torrent_status.checking_resume_data)
    deadline = time.time() + 60
    while True:
        time.sleep(0.05)
        status = handle.status()
        if status.state not in checking and not status.paused or time.time() > deadline:
            break
    files = info.files()
    index = [files.file_path(i) for i in range(files.num_files())].index(file_path)
    offset, size = files.file_offset(index), files.file_size(index)
    length = info.piece_length()
    first, last = offset // length, (offset + size - 1) // length
    failed = []
    for piece in range(first, last + 1):
        if not status.pieces[piece]:
            start = max(piece * length - offset, 0)
            failed.append([start, min((piece + 1) * length - offset, size) - start])
    print(json.dumps({"pieces": last - first + 1, "failed": failed}))


if __name__ == "__main__":
    if sys.argv[1] == "make":
        make(sys.argv[2], int(sys.argv[3]), sys.argv[4], sys.argv[5])
    else:
        recheck(sys.argv[2], sys.argv[3], sys.argv[4])
