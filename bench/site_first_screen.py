#!/usr/bin/env python3
"""The first screen of a site written by zulcheck --site, from a local web server in headless
Chromium: prints "FIRST_PAINT_MS SHOWN_MS BYTES", the first contentful paint, the moment the first
state was shown (the load event's end: every picture the page put in on its start has loaded by
then) and the bytes fetched by then (the page, its script, style and data, and the pictures).
The best of three loads of a fresh browser profile.

Exits with 77 (skipped, and says why) where Chromium, chromedriver or Selenium is missing."""

import functools
import http.server
import shutil
import sys
import threading

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
except ImportError:
    print("python3-selenium is not installed", file=sys.stderr)
    sys.exit(77)

CHROMIUM = shutil.which("chromium")
DRIVER = shutil.which("chromedriver")
if not CHROMIUM or not DRIVER:
    print("chromium or chromium-driver is not installed", file=sys.stderr)
    sys.exit(77)

MEASURE = """
const navigation = performance.getEntriesByType('navigation')[0];
const paint = performance.getEntriesByName('first-contentful-paint')[0];
const shown = navigation.loadEventEnd;
const fetched = [navigation, ...performance.getEntriesByType('resource')]
  .filter((e) => e.responseEnd <= shown)
  .reduce((sum, e) => sum + (e.transferSize || e.encodedBodySize || 0), 0);
return [paint ? paint.startTime : shown, shown, fetched];
"""


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def main():
    site = sys.argv[1]
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(QuietHandler, directory=site))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for argument in ("--headless=new", "--no-sandbox", "--window-size=1024,768", "--disable-gpu",
                     "--disable-background-networking", "--no-first-run"):
        options.add_argument(argument)
    best = None
    try:
        for _ in range(3):
            driver = webdriver.Chrome(service=Service(executable_path=DRIVER), options=options)
            try:
                driver.execute_cdp_cmd("Network.enable", {})
                driver.execute_cdp_cmd("Network.setCacheDisabled", {"cacheDisabled": True})
                driver.get(f"http://127.0.0.1:{server.server_port}/index.html")
                measured = driver.execute_script(MEASURE)
            finally:
                driver.quit()
            if best is None or measured[1] < best[1]:
                best = measured
    finally:
        server.shutdown()
    print(f"{best[0]:.1f} {best[1]:.1f} {int(best[2])}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
