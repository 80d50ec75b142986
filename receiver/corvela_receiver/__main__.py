"""Serves the receiver directly, one thread per connection:

    python3 -m corvela_receiver --root FOLDER [--port 8080] [options]
    python3 -m corvela_receiver --users FILE --add-user NAME   (asks for the password)

Every option of the receiver is also read from CORVELA_RECEIVER_<OPTION>.
"""

import argparse
import getpass
import os
import sys
from socketserver import ThreadingMixIn
from wsgiref.simple_server import WSGIRequestHandler, WSGIServer

from .app import ENVIRONMENT_PREFIX, FAILURE_REPLY, OPTIONS, Config, Receiver, log_line
from .users import user_line


class ReceiverServer(ThreadingMixIn, WSGIServer):
    daemon_threads = True
    allow_reuse_address = True


class ReceiverRequestHandler(WSGIRequestHandler):
    # Seconds a connection may stay silent; a client that announced a body
    # and never sends it is then let go and its upload discarded.
    timeout = 300

    def send_error(self, code, message=None, explain=None):
        # A request refused before it reaches the receiver (a malformed or
        # overlong request line) must still answer exactly ERROR: the control
        # takes any other text, an error page too, as a file accepted.
        self.close_connection = True
        self.log_refusal(code, message)
        self.send_response(code, message)
        self.send_header("Content-Type", "text/plain; charset=utf-8")
        self.send_header("Content-Length", str(len(FAILURE_REPLY)))
        self.send_header("Connection", "close")
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(FAILURE_REPLY)

    def log_refusal(self, code, message):
        """The receiver's line for a request that never reached it."""
        stream = self.get_stderr()
        stream.write(log_line({"client": self.client_address[0], "user": "-", "method": self.command or "-",
                               "result": "refused", "status": int(code),
                               "reason": message or self.responses.get(code, ("-",))[0]}))
        stream.flush()

    def log_message(self, format, *args):
        pass  # the receiver writes its own line per request


def arguments(argv):
    parser = argparse.ArgumentParser(prog="python3 -m corvela_receiver", description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--host", default="127.0.0.1", help="address to listen on (default 127.0.0.1)")
    parser.add_argument("--port", type=int, default=8080, help="port to listen on; 0 picks a free one")
    parser.add_argument("--port-file", help="write the port here (whole, by rename) once listening")
    parser.add_argument("--timeout", type=int, default=ReceiverRequestHandler.timeout,
                        help="seconds a connection may stay silent")
    parser.add_argument("--add-user", metavar="NAME", help="add NAME to the --users file and exit")
    for option in OPTIONS:
        parser.add_argument("--" + option.name.replace("_", "-"), dest=option.name, type=option.kind,
                            default=os.environ.get(ENVIRONMENT_PREFIX + option.name.upper(), option.default),
                            help="%s (default %s)" % (option.help, option.default))
    return parser.parse_args(argv)


def add_user(path, name):
    password = getpass.getpass("password for %s: " % name) if sys.stdin.isatty() else sys.stdin.readline()
    with open(path, "a", encoding="utf-8") as file:
        file.write(user_line(name, password.rstrip("\r\n")))


def write_port_file(path, port):
    temporary = path + ".new"
    with open(temporary, "w") as file:
        file.write("%d\n" % port)
    os.replace(temporary, path)


def main(argv=None):
    args = arguments(argv)
    if args.add_user:
        if not args.users:
            sys.exit("--add-user needs --users FILE")
        add_user(args.users, args.add_user)
        return
    receiver = Receiver(Config(**{option.name: getattr(args, option.name) for option in OPTIONS}))
    ReceiverRequestHandler.timeout = args.timeout
    server = ReceiverServer((args.host, args.port), ReceiverRequestHandler)
    server.set_app(receiver)
    port = server.server_address[1]
    if args.port_file:
        write_port_file(args.port_file, port)
    sys.stderr.write("corvela receiver on http://%s:%d/ storing under %s\n" % (args.host, port, receiver.storage.root))
    sys.stderr.flush()
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
