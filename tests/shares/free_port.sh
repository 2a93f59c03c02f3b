#!/usr/bin/env bash
# Prints a TCP port of 127.0.0.1 that nothing listens on. The system's Python
# first: a version manager's shim costs half a second a call.
python=/usr/bin/python3
[ -x "$python" ] || python=python3
exec "$python" -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'
