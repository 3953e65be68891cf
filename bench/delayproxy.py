#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A TCP proxy for the benchmarks, like a server far away: listens on a
free port of 127.0.0.1, forwards each connection to --to HOST:PORT and
holds every piece of data for --delay seconds in each direction. Prints
its port once it listens."""
import argparse
import asyncio


async def carry(reader, writer, delay):
    loop = asyncio.get_running_loop()
    queue = asyncio.Queue()

    async def deliver():
        while True:
            due, data = await queue.get()
            wait = due - loop.time()
            if wait > 0:
                await asyncio.sleep(wait)
            if not data:
                if writer.can_write_eof():
                    writer.write_eof()
                return
            writer.write(data)
            await writer.drain()

    delivering = asyncio.create_task(deliver())
    try:
        while True:
            data = await reader.read(65536)
            queue.put_nowait((loop.time() + delay, data))
            if not data:
                break
    except ConnectionError:
        queue.put_nowait((loop.time() + delay, b""))
    await delivering


async def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--to", required=True, help="HOST:PORT")
    parser.add_argument("--delay", type=float, default=0.05)
    args = parser.parse_args()
    host, port = args.to.rsplit(":", 1)

    async def handle(client_reader, client_writer):
        try:
            server_reader, server_writer = await asyncio.open_connection(host, int(port))
        except OSError:
            client_writer.close()
            return
        await asyncio.gather(carry(client_reader, server_writer, args.delay),
                             carry(server_reader, client_writer, args.delay),
                             return_exceptions=True)
        client_writer.close()
        server_writer.close()

    server = await asyncio.start_server(handle, "127.0.0.1", 0)
    print(server.sockets[0].getsockname()[1], flush=True)
    async with server:
        await server.serve_forever()


if __name__ == "__main__":
    asyncio.run(main())
