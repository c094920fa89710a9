#!/usr/bin/env python3
"""Times the page in headless Chromium on an export: from pressing Run to
the page's data-exit, in ROUNDS runs in one page (the program loaded once),
and the program's memory after the last run. Prints "<median seconds>
<memory bytes>"; nothing at all where Chromium or its driver is missing.

    page_bench.py PAGE EXPORT ROUNDS
"""

import os
import shutil
import statistics
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests"))
import web_page_test  # noqa: E402


def main():
    page, export, rounds = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2]), int(sys.argv[3])
    if not (shutil.which("chromium") and shutil.which("chromedriver")):
        return 0
    driver = web_page_test.chromium()
    try:
        driver.get("file://" + page)
        runner = web_page_test.Page(driver)
        seconds = []
        for _ in range(rounds):
            if runner.run(export, "", "") != 0:
                print("the page's run failed", file=sys.stderr)
                return 1
            seconds.append(float(driver.execute_script("return document.body.dataset.seconds")))
            # Another file each round, so that the page sees a new choice.
            driver.execute_script("document.getElementById('export').value = '';")
        memory = int(driver.execute_script("return document.body.dataset.memory"))
        print("%.3f %d" % (statistics.median(seconds), memory))
    finally:
        driver.quit()
    return 0


if __name__ == "__main__":
    sys.exit(main())
