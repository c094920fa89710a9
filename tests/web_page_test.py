#!/usr/bin/env python3
"""The page (build-web/quorvane.html) in real engines: Chromium through
chromedriver and WebKit, the engine of Safari, through WebKitWebDriver, each
from file:// and from http://127.0.0.1. In each, in one page: the sample export
gives the command line's report and log, byte for byte but for the date line;
a UTF-16 export gives what its UTF-8 twin gives; a hole size and book types
reach the run; and no request leaves the page. A screenshot of each engine is
kept in the build folder. An engine whose browser or driver is missing is
skipped, and says so.

    web_page_test.py BUILD_WEB_DIR
"""

import base64
import functools
import http.server
import os
import shutil
import subprocess
import sys
import tempfile
import threading

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLE = os.path.join(HERE, "..", "examples", "sample_export.txt")


def reference(tool, export, args):
    """The report (date line masked) and log of the command line's run."""
    with tempfile.TemporaryDirectory() as folder:
        name = os.path.basename(export)
        shutil.copy(export, os.path.join(folder, name))
        subprocess.run(tool + ["-i", name, "-o", name + "-holes.txt", "-l", "Quorvane.log"] + args,
                       cwd=folder, stdout=subprocess.DEVNULL, check=True)
        with open(os.path.join(folder, name + "-holes.txt"), "rb") as report, \
                open(os.path.join(folder, "Quorvane.log"), "rb") as log:
            return b"<date>" + report.read()[24:], log.read()


class Page:
    """One page in one engine, driven through its test hooks only."""

    def __init__(self, driver):
        self.driver = driver

    def run(self, export, hole="", ignore=""):
        from selenium.webdriver.common.by import By
        find = self.driver.find_element
        chooser = find(By.ID, "export")
        # Emptied first: an engine may take a second file for an addition.
        self.driver.execute_script("arguments[0].value = '';", chooser)
        chooser.send_keys(export)
        for field, value in (("hole", hole), ("ignore", ignore)):
            find(By.ID, field).clear()
            if value:
                find(By.ID, field).send_keys(value)
        chosen = os.path.basename(export)
        self.wait(lambda: chosen in find(By.ID, "chosen").text and find(By.ID, "run").is_enabled(), 20)
        find(By.ID, "run").click()
        try:
            self.wait(lambda: self.driver.execute_script("return document.body.dataset.exit") is not None)
        except Exception:
            raise RuntimeError("the run of %s never ended; the page says %r" % (
                os.path.basename(export),
                self.driver.execute_script("return document.querySelector('main').innerText")[-400:]))
        return int(self.driver.execute_script("return document.body.dataset.exit"))

    def wait(self, condition, seconds=60):
        from selenium.webdriver.support.ui import WebDriverWait
        WebDriverWait(self.driver, seconds, poll_frequency=0.05).until(lambda _: condition())

    def download(self, link):
        """The bytes of a download link's file, and its name."""
        data = self.driver.execute_async_script(
            "var done = arguments[1], link = document.getElementById(arguments[0]);"
            "var reader = new FileReader();"
            "reader.onload = function () { done([reader.result, link.download]); };"
            "reader.readAsDataURL(link.blob);", link)
        return base64.b64decode(data[0].split(",", 1)[1]), data[1]


def chromium():
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    options = webdriver.ChromeOptions()
    for argument in ["--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                     "--user-data-dir=" + tempfile.mkdtemp(prefix="quorvane-chromium-")]:
        options.add_argument(argument)
    options.binary_location = shutil.which("chromium")
    options.set_capability("goog:loggingPrefs", {"performance": "ALL"})
    return webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=options)


def webkit():
    from selenium import webdriver
    from selenium.webdriver.webkitgtk.options import Options
    options = Options()
    options.binary_location = next(path for path in MINIBROWSERS if os.path.exists(path))
    # The driver waits forever for a browser started without --automation.
    options.add_argument("--automation")
    return webdriver.WebKitGTK(executable_path=shutil.which("WebKitWebDriver"), options=options)


MINIBROWSERS = ["/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser",
                "/usr/lib/aarch64-linux-gnu/webkit2gtk-4.1/MiniBrowser",
                "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.0/MiniBrowser"]

ENGINES = [
    ("Chromium", chromium, lambda: shutil.which("chromium") and shutil.which("chromedriver"),
     "apt-get install chromium chromium-driver"),
    ("WebKit", webkit,
     lambda: shutil.which("WebKitWebDriver") and any(os.path.exists(p) for p in MINIBROWSERS)
     and (os.environ.get("DISPLAY") or os.environ.get("WAYLAND_DISPLAY")),
     "apt-get install webkit2gtk-driver xvfb, and run under xvfb-run -a"),
]


class Quiet(http.server.SimpleHTTPRequestHandler):
    requests = []

    def log_message(self, *args):
        pass

    def do_GET(self):
        Quiet.requests.append(self.path)
        super().do_GET()


def check_page(name, make_driver, url, build, cases, failures):
    driver = make_driver()
    try:
        driver.set_window_size(1100, 1500)
        driver.set_script_timeout(30)
        driver.get(url)
        page = Page(driver)
        driver.execute_script(
            "window.violations = [];"
            "document.addEventListener('securitypolicyviolation',"
            " function (e) { window.violations.push(e.blockedURI); });")
        for what, export, hole, ignore, (want_report, want_log) in cases:
            status = page.run(export, hole, ignore)
            report, report_name = page.download("report-download")
            log, log_name = page.download("log-download")
            for label, ok in [("status", status == 0), ("report", b"<date>" + report[24:] == want_report),
                              ("log", log == want_log), ("log's name", log_name == "Quorvane.log"),
                              ("report's name", report_name == os.path.basename(export) + "-holes.txt")]:
                if not ok:
                    failures.append("%s, %s, %s: the %s differs" % (name, url[:5], what, label))
        outcome = driver.execute_script("return document.getElementById('outcome').textContent")
        if not outcome.startswith("Done: "):
            failures.append("%s, %s: the outcome reads %r" % (name, url[:5], outcome))
        violations = driver.execute_script("return window.violations")
        resources = driver.execute_script("return performance.getEntriesByType('resource').length")
        if violations or resources:
            failures.append("%s, %s: the page reached out: %r, %d resources" % (name, url[:5], violations, resources))
        if name == "Chromium":
            # What the page asked for, its own loading aside.
            sent = [entry["message"] for entry in driver.get_log("performance")
                    if "Network.requestWillBeSent" in entry["message"]
                    and '"documentURL":"' + url + '"' in entry["message"]
                    and '"url":"' + url + '"' not in entry["message"]]
            if sent:
                failures.append("Chromium, %s: requests were made: %s" % (url[:5], sent[0][:200]))
        driver.save_screenshot(os.path.join(build, "page-%s.png" % name.lower()))
    finally:
        driver.quit()


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build-web")
    page_file = os.path.join(build, "quorvane.html")
    try:
        import selenium  # noqa: F401
    except ImportError:
        print("Skipped the page's checks: python3-selenium is not installed.")
        return 0
    native = os.path.join(build, "..", "build", "quorvane")
    tool = [native] if os.path.exists(native) else ["node", os.path.join(build, "quorvane.js")]
    scratch = tempfile.mkdtemp(prefix="quorvane-page-")
    utf16 = os.path.join(scratch, "sample_utf16.txt")
    with open(SAMPLE, "rb") as sample, open(utf16, "wb") as out:
        out.write(sample.read().decode("utf-8").encode("utf-16"))  # with its byte-order mark
    sample = os.path.join(scratch, "sample_export.txt")
    shutil.copy(SAMPLE, sample)
    cases = [
        ("the sample", sample, "", "TPB", reference(tool, sample, ["-n", "TPB"])),
        ("a UTF-16 export", utf16, "", "", reference(tool, utf16, [])),
        ("a hole size and book types", sample, "6", "TPB, HC",
         reference(tool, sample, ["-s", "6", "-n", "TPB", "-n", "HC"])),
    ]
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Quiet, directory=build))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    urls = ["file://" + page_file, "http://127.0.0.1:%d/quorvane.html" % server.server_address[1]]
    failures = []
    for name, make_driver, available, install in ENGINES:
        if not available():
            print("Skipped the page in %s: %s." % (name, install))
            continue
        for url in urls:
            Quiet.requests.clear()
            check_page(name, make_driver, url, build, cases, failures)
            if url.startswith("http") and Quiet.requests != ["/quorvane.html"]:
                failures.append("%s: the server was asked for %r" % (name, Quiet.requests))
        print("The page in %s: checked from file:// and http://127.0.0.1" % name)
    server.shutdown()
    shutil.rmtree(scratch, ignore_errors=True)
    for failure in failures:
        print("FAILED:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
