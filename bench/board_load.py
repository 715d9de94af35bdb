"""The clients of bench/board_load.sh: submitting runs, a steady offered load with the time from
each submission to its verdict, and reads of the board at a steady rate. Figures only."""

import http.client
import json
import sys
import threading
import time


def connect(address):
    host, port = address.split(":")
    return http.client.HTTPConnection(host, int(port), timeout=30)


def call(conn, method, path, body=None, token=None):
    headers = {"Authorization": f"Bearer {token}"} if token else {}
    conn.request(method, path, body=body, headers=headers)
    answer = conn.getresponse()
    return answer.status, answer.read()


def register(address, name):
    status, body = call(connect(address), "POST", "/api/players", json.dumps({"name": name}))
    if status != 201:
        sys.exit(f"cannot register {name}: {status} {body!r}")
    return json.loads(body)["token"]


def recording(folder, i):
    with open(f"{folder}/{i}.keys", "rb") as f:
        return f.read()


def percentile(values, p):
    values = sorted(values)
    return values[min(len(values) - 1, int(len(values) * p))]


def submit(address, folder, first, count):
    """Submits recordings first..first+count-1, each answered before the next."""
    conn, token = connect(address), register(address, f"bench {first}")
    for i in range(first, first + count):
        status, body = call(conn, "POST", "/api/runs", recording(folder, i), token)
        if status != 202:
            sys.exit(f"run {i}: {status} {body!r}")


def steady(address, folder, first, count, rate):
    """Offers `rate` submissions a second and times each until its verdict is read."""
    token = register(address, f"steady {first}")
    submitted, judged, lock = {}, {}, threading.Lock()

    def poll():
        conn = connect(address)
        while True:
            with lock:
                waiting = [r for r in submitted if r not in judged]
                done = len(judged) == count
            if done:
                return
            for run in waiting:
                status, body = call(conn, "GET", f"/api/runs/{run}")
                if status == 200 and json.loads(body)["status"] != "pending":
                    with lock:
                        judged[run] = time.monotonic()
            time.sleep(0.01)

    poller = threading.Thread(target=poll)
    poller.start()
    conn, began = connect(address), time.monotonic()
    for n, i in enumerate(range(first, first + count)):
        time.sleep(max(0.0, began + n / rate - time.monotonic()))
        sent = time.monotonic()
        status, body = call(conn, "POST", "/api/runs", recording(folder, i), token)
        if status != 202:
            sys.exit(f"run {i}: {status} {body!r}")
        with lock:
            submitted[json.loads(body)["id"]] = sent
    poller.join()
    waits = [judged[r] - submitted[r] for r in submitted]
    print(f"{rate} submissions a second offered, {count} runs: submission to verdict "
          f"p50 {percentile(waits, 0.5) * 1000:.0f} ms, p99 {percentile(waits, 0.99) * 1000:.0f} ms"
          f" (polled every 10 ms)")


def reads(address, rate, seconds):
    """GET /api/board at `rate` requests a second for `seconds`, from eight connections."""
    times, lock = [], threading.Lock()
    began, total, threads = time.monotonic(), rate * seconds, 8

    def reader(k):
        conn = connect(address)
        for n in range(k, total, threads):
            time.sleep(max(0.0, began + n / rate - time.monotonic()))
            sent = time.monotonic()
            status, _ = call(conn, "GET", "/api/board?start=two&limit=100")
            with lock:
                times.append(time.monotonic() - sent if status == 200 else float("inf"))

    workers = [threading.Thread(target=reader, args=(k,)) for k in range(threads)]
    for w in workers:
        w.start()
    for w in workers:
        w.join()
    took = time.monotonic() - began
    print(f"GET /api/board at {rate} a second offered ({len(times) / took:.0f} served): "
          f"p50 {percentile(times, 0.5) * 1000:.1f} ms, p99 {percentile(times, 0.99) * 1000:.1f} ms")


if __name__ == "__main__":
    what, address = sys.argv[1], sys.argv[2]
    if what == "submit":
        submit(address, sys.argv[3], int(sys.argv[4]), int(sys.argv[5]))
    elif what == "steady":
        steady(address, sys.argv[3], int(sys.argv[4]), int(sys.argv[5]), float(sys.argv[6]))
    else:
        reads(address, int(sys.argv[3]), int(sys.argv[4]))
