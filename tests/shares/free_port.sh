#!/usr/bin/env bash
# Prints a TCP port of 127.0.0.1 that nothing listens on.
exec python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'
