#!/usr/bin/python3
"""An RFC 3161 time-stamp server on 127.0.0.1 for the signing test.

time_stamp_server.py CONFIG FOLDER: answers each application/timestamp-query
POST with `openssl ts -reply -config CONFIG`, working in FOLDER, where it
writes the port it listens on to the file "port" once it listens.
"""

import http.server
import os
import subprocess
import sys


class TimeStampHandler(http.server.BaseHTTPRequestHandler):
    """Answers a time-stamp query with openssl's reply, anything else with 400."""

    def do_POST(self):  # pylint: disable=invalid-name
        """Signs the query's hash with the time-stamp authority's key."""
        query = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        if self.headers.get("Content-Type") != "application/timestamp-query":
            self.send_error(400)
            return
        folder = self.server.folder
        query_file = os.path.join(folder, "query.tsq")
        reply_file = os.path.join(folder, "reply.tsr")
        with open(query_file, "wb") as file:
            file.write(query)
        result = subprocess.run(
            ["openssl", "ts", "-reply", "-config", self.server.config,
             "-queryfile", query_file, "-out", reply_file],
            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, check=False)
        if result.returncode != 0:
            sys.stderr.write(result.stderr.decode(errors="replace"))
            self.send_error(500)
            return
        with open(reply_file, "rb") as file:
            reply = file.read()
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)

    def log_message(self, format, *args):  # pylint: disable=redefined-builtin
        sys.stderr.write(format % args + "\n")


def main():
    """Listens on a free port of 127.0.0.1 until killed."""
    config, folder = sys.argv[1], sys.argv[2]
    server = http.server.HTTPServer(("127.0.0.1", 0), TimeStampHandler)
    server.config = config
    server.folder = folder
    # Written whole and then renamed, so that the test never reads half a port.
    port_file = os.path.join(folder, "port")
    with open(port_file + ".new", "w", encoding="ascii") as file:
        file.write(str(server.server_address[1]))
    os.rename(port_file + ".new", port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
