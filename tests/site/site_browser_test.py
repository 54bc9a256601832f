#!/usr/bin/env python3
"""zulcheck --site in a real browser: the demo disc's site in Chromium (through Selenium), served by
a local web server and opened from file://. At each state the page is brought to by the reader's
clicks, the browser's picture of the menu must be the menu's own drawing of the same state (site_shot)
pixel for pixel; the console stays free of errors, nothing outside the site is fetched, and markup in
the disc's texts stays text. Also: a disc that does not start writes nothing, an existing site is
replaced only with --force, and what is written leaves no temporary folder behind.

Exits with 77 (skipped) where Chromium, chromedriver or Selenium is missing."""

import argparse
import functools
import http.server
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import threading


def skip(reason):
    print(f"SKIPPED: {reason}")
    sys.exit(77)


try:
    from selenium import webdriver
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.actions.action_builder import ActionBuilder
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
    from selenium.webdriver.support.ui import Select
    from selenium.webdriver.chrome.service import Service
except ImportError:
    skip("python3-selenium is not installed")

CHROMIUM = shutil.which("chromium")
DRIVER = shutil.which("chromedriver")
if not CHROMIUM or not DRIVER:
    skip("chromium or chromium-driver is not installed")
if not shutil.which("compare"):
    skip("ImageMagick's compare is not installed")

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print(f"FAIL: {message}", flush=True)


def run(*args):
    return subprocess.run([str(a) for a in args], capture_output=True, text=True, timeout=300)


def browser():
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for argument in ("--headless=new", "--no-sandbox", "--window-size=1024,768", "--force-device-scale-factor=1",
                     "--force-color-profile=srgb", "--hide-scrollbars", "--disable-gpu",
                     "--disable-background-networking", "--no-first-run"):
        options.add_argument(argument)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    return webdriver.Chrome(service=Service(executable_path=DRIVER), options=options)


class Page:
    """The site in one browser tab, clicked as a reader clicks it."""

    def __init__(self, driver, url, work, shot_tool=None, disc=None, language=None, keep_splash=False):
        self.driver = driver
        self.work = work
        self.shot_tool = shot_tool
        self.disc = disc
        # The banners change when the test says: their timers are kept for it to fire, and the
        # random choice takes the first advertisement.
        driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source":
            "window.zulTicks = []; window.setInterval = (f) => { window.zulTicks.push(f); return 0; };"
            "Math.random = () => 0;"})
        driver.get(url)
        # A disc of several languages asks first: the preselected one, or `language`.
        ok = driver.find_elements(By.CSS_SELECTOR, '[data-role="language-ok"]')
        if ok:
            if language is not None:
                Select(driver.find_element(By.CSS_SELECTOR, ".language-choice")).select_by_index(language)
            ok[0].click()
        if not keep_splash:
            self.dismiss_splash()
        self.settle()

    def dismiss_splash(self):
        # The menu is built (its language's data may come after the question), and its splash,
        # shown over it at the start, is clicked away.
        self.driver.execute_async_script(
            "const done = arguments[0]; const menu = document.getElementById('menu'); const start = Date.now();"
            "const wait = () => menu.childElementCount > 0 || Date.now() - start > 5000 ?"
            " done() : setTimeout(wait, 20);"
            "wait();")
        self.driver.execute_script("const s = document.getElementById('splash'); if (s) s.click();")

    def settle(self):
        # Every picture of the state loaded; the mouse then rests outside the menu, off every control.
        self.driver.execute_async_script(
            "const done = arguments[0];"
            "const ready = () => [...document.images].every(i => i.complete && i.naturalWidth > 0);"
            "const wait = () => ready() ? done() : setTimeout(wait, 20); wait();")
        width, height = self.driver.execute_script("return [innerWidth, innerHeight]")
        rest = ActionBuilder(self.driver)
        rest.pointer_action.move_to_location(width - 2, height - 2)
        rest.perform()

    def click(self, action):
        verb, _, value = action.partition("=")
        if verb in ("tab", "sub"):
            target = self.driver.find_element(By.CSS_SELECTOR, f'#menu [data-role="{verb}"][data-index="{value}"]')
        elif verb == "row":
            target = self.driver.find_element(By.CSS_SELECTOR, f'#menu .row[data-row="{value}"]')
        elif verb in ("next", "prev", "setup", "options", "play", "stop"):
            target = self.driver.find_element(By.CSS_SELECTOR, f'#menu [data-role="{verb}"]')
        else:  # the entry's description: a part of it that nothing covers
            target = self.driver.execute_script(
                "for (const e of document.querySelectorAll('#menu [data-role=entry]')) {"
                "  const r = e.getBoundingClientRect();"
                "  if (e.contains(document.elementFromPoint(r.x + r.width / 2, r.y + r.height / 2))) return e; }"
                "return null;")
        ActionChains(self.driver).move_to_element(target).click().perform()
        self.settle()

    def matches(self, native, name, selector="#menu"):
        """Whether the browser shows the menu (or what `selector` picks) exactly as `native` (a PNG of
        the menu's drawing)."""
        shot = self.work / f"{name}-browser.png"
        self.driver.save_screenshot(str(shot))
        box = self.driver.execute_script(
            "const r = document.querySelector(arguments[0]).getBoundingClientRect();"
            "return [r.x, r.y, r.width, r.height];", selector)
        x, y, w, h = (round(v) for v in box)
        result = run("compare", "-metric", "AE", f"{shot}[{w}x{h}+{x}+{y}]", native, self.work / f"{name}-diff.png")
        differing = result.stderr.strip()
        check(result.returncode == 0 and differing == "0",
              f"{name}: the browser's menu differs from the menu's own drawing ({differing or result.stderr})")

    def errors(self):
        return [e["message"] for e in self.driver.get_log("browser") if e["level"] == "SEVERE"]


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    requests = []

    def log_message(self, *args):
        pass

    def do_GET(self):
        QuietHandler.requests.append(self.path)
        super().do_GET()


# The clicks of one walk through the menu, each followed by the picture it must give.
WALK = ["shot", "tab=1", "shot", "tab=0", "sub=1", "shot", "row=1", "shot", "tab=1", "tab=0", "shot",
        "prev", "shot", "entry", "shot", "next", "shot", "entry", "shot"]


def walk(page, shot_tool, disc, work, name):
    natives = []
    native_actions = []
    for i, step in enumerate(WALK):
        if step == "shot":
            path = work / f"{name}-{i}-native.png"
            natives.append((i, path))
            native_actions.append(f"shot={path}")
        else:
            native_actions.append(step)
    result = run(shot_tool, disc, *native_actions)
    check(result.returncode == 0, f"site_shot failed: {result.stderr}")
    for i, step in enumerate(WALK):
        if step == "shot":
            page.matches(work / f"{name}-{i}-native.png", f"{name}-{i}")
        else:
            page.click(step)
    unnamed = page.driver.execute_script(
        "return [...document.querySelectorAll('#menu [data-role], #menu button, #menu [role=option]')]"
        ".filter(e => !(e.getAttribute('aria-label') || e.textContent.trim())).map(e => e.outerHTML.slice(0, 80));")
    check(not unnamed, f"controls without an accessible name: {unnamed}")


def banners_change(page, shot_tool, disc, work):
    """Each banner's change shows an advertisement as the menu's banner shows it."""
    page.driver.execute_script("for (const tick of window.zulTicks) tick();")
    page.settle()
    native = work / "banners-native.png"
    result = run(shot_tool, disc, "ad=0:0", "ad=1:0", f"shot={native}")
    check(result.returncode == 0, f"site_shot failed: {result.stderr}")
    page.matches(native, "banners")


def long_list(driver, args, work):
    """A list longer than its place scrolls as the menu's list does: next brings the chosen row into
    view, and a click on a row in view keeps the rows where they are."""
    disc = work / "long"
    result = run(args.demo, disc, "--big", "30")
    check(result.returncode == 0, f"make_demo_disc --big: {result.stderr}")
    (disc / "graph" / "image_lit.dat").unlink()
    site = work / "long-site"
    result = run(args.zulcheck, "--site", site, disc)
    check(result.returncode == 0, f"the long list's site: {result.stderr}")
    page = Page(driver, (site / "index.html").as_uri(), work, args.shot, disc)
    steps = ["next"] * 20 + ["shot", "row=10", "shot", "prev", "shot"]
    natives = [work / f"long-{i}.png" for i, step in enumerate(steps) if step == "shot"]
    shots = iter(natives)
    result = run(args.shot, disc, *[f"shot={next(shots)}" if step == "shot" else step for step in steps])
    check(result.returncode == 0, f"site_shot failed: {result.stderr}")
    shots = iter(natives)
    for i, step in enumerate(steps):
        if step == "shot":
            page.matches(next(shots), f"long-{i}")
        else:
            page.click(step)


def language_question(driver, args, work, site, disc):
    """Lithuanian chosen in the language question: the menu as the menu shows it in Lithuanian."""
    page = Page(driver, (site / "index.html").as_uri(), work, language=0)
    lithuanian = work / "lithuanian"
    shutil.copytree(disc, lithuanian)
    (lithuanian / "graph" / "image_ru.dat").unlink()
    native = work / "lithuanian-native.png"
    result = run(args.shot, lithuanian, "tab=1", f"shot={native}")
    check(result.returncode == 0, f"site_shot failed: {result.stderr}")
    page.click("tab=1")
    page.matches(native, "lithuanian")


def viewer_keys(page):
    """The info box's first thumbnail opens the viewer on the entry's first picture; its keys step."""
    driver = page.driver
    page.click("prev")
    page.click("entry")
    caption = ("const v = document.getElementById('viewer');"
               "return v ? v.querySelector('.viewer-caption').textContent : null;")
    thumbnail = driver.find_element(By.CSS_SELECTOR, '#menu [data-role="picture"][data-index="0"]')
    ActionChains(driver).move_to_element(thumbnail).click().perform()
    page.settle()
    # The picture as the menu's viewer shows it.
    native = page.work / "viewer-native.png"
    result = run(page.shot_tool, page.disc, f"picture=Soft\\Chess\\Shot1.jpg|{native}")
    check(result.returncode == 0, f"site_shot failed: {result.stderr}")
    page.matches(native, "viewer", "#viewer .viewer-picture")
    shown = [driver.execute_script(caption)]
    for key in (Keys.END, Keys.HOME, Keys.SPACE, Keys.PAGE_UP, Keys.ENTER, Keys.ENTER):
        ActionChains(driver).send_keys(key).perform()
        shown.append(driver.execute_script(caption))
    first, second = "Soft\\Chess\\Shot1.jpg (1/2)", "Soft\\Chess\\Shot2.jpg (2/2)"
    check(shown == [first, second, first, second, first, second, None],
          f"the viewer's pictures as its keys step: {shown}")
    thumbnail = driver.find_element(By.CSS_SELECTOR, '#menu [data-role="picture"][data-index="0"]')
    ActionChains(driver).move_to_element(thumbnail).click().perform()
    ActionChains(driver).send_keys(Keys.ESCAPE).perform()
    check(driver.execute_script(caption) is None, "Esc did not close the viewer")


def setups_and_links(page, site):
    """The setup button opens an entry's only setup from the site's copy, or lists several in the
    setup window."""
    driver = page.driver
    driver.execute_script(
        "window.opened = [];"
        "HTMLAnchorElement.prototype.click = function () { window.opened.push(this.getAttribute('href')); };")
    page.click("tab=0")
    page.click("sub=0")
    page.click("row=0")
    page.click("setup")
    driver.find_element(By.CSS_SELECTOR, '.setup-window .row[data-row="1"]').click()
    driver.find_element(By.CSS_SELECTOR, '.setup-window [data-role="run"]').click()
    driver.find_element(By.CSS_SELECTOR, '.setup-window [data-role="close-setup"]').click()
    page.click("row=1")
    page.click("setup")
    opened = driver.execute_script("return window.opened")
    check(opened == ["disc/soft/starminer/readme.txt", "disc/soft/turbodrift/setup.sh"],
          f"the setups opened: {opened}")
    check((site / "disc/soft/turbodrift/setup.sh").is_file() and not driver.find_elements(By.CSS_SELECTOR, ".setup-window"),
          "the setup's folder was not copied, or its window stayed")

    # The options window: event sounds off and the background music on, which then loops.
    page.click("options")
    driver.find_element(By.CSS_SELECTOR, ".options-window button.text:nth-of-type(1)").click()
    driver.find_element(By.CSS_SELECTOR, ".options-window button.text:nth-of-type(2)").click()
    driver.find_element(By.CSS_SELECTOR, '.options-window [data-role="options-ok"]').click()
    check(not driver.find_elements(By.CSS_SELECTOR, ".options-window"), "the options window stayed after OK")
    looping = driver.execute_async_script(
        "const done = arguments[0]; const a = document.getElementById('background-music');"
        "setTimeout(() => done([a.getAttribute('src'), a.paused, a.currentTime > 0]), 400);")
    check(looping[0] == driver.execute_script("return ZUL_SITE.options.backgroundMusic[0]") and not looping[1]
          and looping[2], f"the background music: {looping}")
    # And back: event sounds on, the music off.
    page.click("options")
    driver.find_element(By.CSS_SELECTOR, ".options-window button.text:nth-of-type(2)").click()
    driver.find_element(By.CSS_SELECTOR, ".options-window button.text:nth-of-type(1)").click()
    driver.find_element(By.CSS_SELECTOR, '.options-window [data-role="options-ok"]').click()
    check(driver.execute_script("return document.getElementById('background-music').paused"),
          "the background music goes on after it was switched off")

    link = driver.find_element(By.CSS_SELECTOR, '#menu [data-role="link"]')
    cursors = driver.execute_script(
        "return [getComputedStyle(document.getElementById('menu')).cursor, getComputedStyle(arguments[0]).cursor]", link)
    files = driver.execute_script("return [ZUL_SITE.cursors.main.img, ZUL_SITE.cursors.link.img]")
    check(files[0] in cursors[0] and files[1] in cursors[1], f"the disc's cursors: {cursors}")


def link_question(page, shot_tool, disc, work, name="link-box"):
    """A link asks first, in the menu's own box: its picture is the menu's drawing of the question,
    its text is there as text, and only Yes opens the link; No, Esc, and Tab then Enter leave it
    (Tab drawing the focus on No as the box does), and the focus comes back to the link."""
    driver = page.driver
    driver.execute_script(
        "window.opened = [];"
        "HTMLAnchorElement.prototype.click = function () { window.opened.push(this.getAttribute('href')); };")
    index = driver.find_element(By.CSS_SELECTOR, '#menu [data-role="link"]').get_attribute("data-index")
    link = driver.execute_script("return ZUL_SITE.links[arguments[0]]", int(index))
    target = f'#menu [data-role="link"][data-index="{index}"]'

    def ask():
        ActionChains(driver).move_to_element(driver.find_element(By.CSS_SELECTOR, target)).click().perform()
        page.settle()

    def answer(label):
        driver.find_element(By.CSS_SELECTOR, f'.drawn-box .box-button[aria-label="{label}"]').click()

    ask()
    native = work / f"{name}-native.png"
    result = run(shot_tool, disc, f"box={link['text']}|{native}")
    check(result.returncode == 0, f"site_shot failed: {result.stderr}")
    page.matches(native, name, ".drawn-box .setup-area")
    text = driver.find_element(By.CSS_SELECTOR, ".drawn-box .box-message").get_attribute("textContent")
    check(text.endswith("\n" + link["text"]), f"the question's text: {text!r}")
    answer("No")
    ask()
    ActionChains(driver).send_keys(Keys.ESCAPE).perform()
    back = driver.execute_script("return document.activeElement.matches(arguments[0])", target)
    ask()
    ActionChains(driver).send_keys(Keys.TAB).perform()
    tabbed = driver.execute_script(
        "return document.querySelector('.drawn-box .setup-area > img').getAttribute('src') =="
        " ZUL_SITE.boxes[arguments[0]].buttons[1].focused", link["box"])
    ActionChains(driver).send_keys(Keys.ENTER).perform()
    left = driver.execute_script("return window.opened")
    check(not left and back and tabbed and not driver.find_elements(By.CSS_SELECTOR, ".drawn-box"),
          f"No, Esc or Tab and Enter: opened {left}, focus back {back}, No drawn focused {tabbed}")
    ask()
    answer("Yes")
    opened = driver.execute_script("return window.opened")
    check(opened == ([link["href"]] if "href" in link else []), f"Yes to {link['text']!r} opened {opened}")
    return link


def hostile_site(args, disc, work, name, text, markup):
    """A copy of the disc with markup put into one of its texts, and its site: (disc, site)."""
    hostile = work / name
    shutil.copytree(disc, hostile)
    script = next((hostile / "graph").glob("image_ru.dat"))
    script.write_bytes(script.read_bytes().replace(text, markup))
    site = work / (name + "-site")
    result = run(args.zulcheck, "--site", site, hostile)
    check(result.returncode == 0, f"the site of {name} failed: {result.stderr}")
    return hostile, site


def link_markup(driver, args, work, disc):
    """A link whose text holds markup: the menu's box shows it as text, and so does the page."""
    hostile, site = hostile_site(args, disc, work, "hostile-link", b"http://zul.example.com/",
                                 b"http://zul.example.com/<b>x</b><img src=x onerror=window.pwned=2>")
    page = Page(driver, (site / "index.html").as_uri(), work, args.shot, hostile)
    link = link_question(page, args.shot, hostile, work, "hostile-link-box")
    check("<img src=x" in link["text"] and driver.execute_script("return window.pwned === undefined")
          and not driver.find_elements(By.CSS_SELECTOR, "img[src='x'], b"), "the link's markup ran or became elements")
    check(not page.errors(), f"console errors with the hostile link: {page.errors()}")


def sound_plays(page):
    """A tab's click plays the tab sound, decoded and heard."""
    driver = page.driver
    page.click("tab=1")
    played = driver.execute_async_script(
        "const done = arguments[0]; const a = document.getElementById('sound');"
        "setTimeout(() => done([a.src.endsWith(ZUL_SITE.sounds.tab), a.currentTime > 0, a.error]), 400);")
    check(played[0] and played[1] and played[2] is None, f"the tab sound: {played}")


def music_tab(page, shot_tool, disc, work):
    """The music tab plays its first track (a MIDI file rendered at export), pauses and resumes it
    by the play button, and stop leaves the panel as the menu's stopped panel looks."""
    driver = page.driver
    state = ("const a = document.getElementById('music');"
             "return [a.getAttribute('src'), a.paused, a.currentTime > 0];")
    page.click("tab=2")
    page.click("play")
    driver.execute_async_script("setTimeout(arguments[0], 400)")
    playing = driver.execute_script(state)
    page.click("play")
    paused = driver.execute_script(state)
    page.click("stop")
    stopped = driver.execute_script(state)
    check(playing[0] and playing[0].endswith(".ogg") and not playing[1] and playing[2] and paused[1] and stopped[0] is None,
          f"the music tab's playing, paused and stopped: {playing} {paused} {stopped}")
    native = work / "music-native.png"
    result = run(shot_tool, disc, "tab=2", f"shot={native}")
    check(result.returncode == 0, f"site_shot failed: {result.stderr}")
    page.matches(native, "music-stopped")


def music_strip(page, shot_tool, disc, work):
    """A track paused at a known time: the strip shows its title and the time left in the menu's own
    pixels, as the menu's strip shows them, with the real text laid invisibly over them."""
    driver = page.driver
    page.click("tab=2")
    page.click("play")
    page.click("play")
    text = driver.execute_async_script(
        "const done = arguments[0]; const a = document.getElementById('music');"
        "const seek = () => { a.addEventListener('seeked', () => setTimeout(() => {"
        "  const t = document.querySelector('#menu .strip-text'); done(t ? [t.textContent, t.className] : null); }, 50),"
        "  {once: true}); a.currentTime = 0.25; };"
        "a.readyState >= 1 ? seek() : a.addEventListener('loadedmetadata', seek, {once: true});")
    page.settle()
    check(text and text[1] == "strip-text drawn", f"the strip's text is not drawn in the menu's pixels: {text}")
    if not text:
        return
    minutes, seconds = text[0].rsplit(" ", 1)[1].split(":")
    native = work / "strip-native.png"
    result = run(shot_tool, disc, "tab=2", "play", f"left={(int(minutes) * 60 + int(seconds)) * 1000 + 500}",
                 f"shot={native}")
    check(result.returncode == 0, f"site_shot failed: {result.stderr}")
    x, y, w, h = driver.execute_script("const s = ZUL_SITE.strip; return [s.x, s.y, s.w, s.h];")
    page.matches(f"{native}[{w}x{h}+{x}+{y}]", "strip", "#menu .layer.strip")
    page.click("stop")


def search_box(page, shot_tool, disc, work):
    """The search box finds an entry by a word of its description and opens it: the menu then shows
    that entry as the menu does when it is chosen there."""
    driver = page.driver
    box = driver.find_element(By.ID, "search-text")
    box.clear()
    box.send_keys("ZIP")
    found = driver.find_elements(By.CSS_SELECTOR, "#search-results button")
    check([b.text for b in found] == ["Zip Helper"], f"found for ZIP: {[b.text for b in found]}")
    if found:
        found[0].click()
        page.settle()
        native = work / "search-native.png"
        result = run(shot_tool, disc, "tab=1", "sub=0", "row=0", f"shot={native}")
        check(result.returncode == 0, f"site_shot failed: {result.stderr}")
        page.matches(native, "search")


def same_pixels(shot, box, expected, name, work):
    """How many pixels of the part `box` (x, y, w, h) of the screenshot `shot` differ from the
    picture file `expected`."""
    x, y, w, h = box
    result = run("compare", "-metric", "AE", f"{shot}[{w}x{h}+{x}+{y}]", expected, work / f"{name}-diff.png")
    return result.stderr.strip() if result.returncode in (0, 1) else result.stderr


def splash_at_start(driver, args, work, url, disc):
    """After the language question the splash shows over the menu, in the middle of the page, as
    the menu's splash window draws one of its frames (site_shot draws each frame with the menu's
    own window from the disc's GIF, apart from the site's PNGs, so a picture decoded, written, laid
    or scaled wrongly shows); a click hides it and reaches nothing beneath; its timer removes it."""
    held = driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source":
        "window.zulSplash = []; const later = window.setTimeout;"
        "window.setTimeout = (f, ms, ...rest) => ms === 5000 ? (window.zulSplash.push(f), 0) : later(f, ms, ...rest);"})
    try:
        driver.get(url)
        check(driver.find_elements(By.CSS_SELECTOR, '[data-role="language-ok"]')
              and not driver.find_elements(By.ID, "splash"), "the splash came before the language question")
        page = Page(driver, url, work, args.shot, disc, keep_splash=True)
        prefix = work / "splash-native-"
        result = run(args.shot, disc, f"splash=ru|{prefix}")
        check(result.returncode == 0, f"site_shot failed: {result.stderr}")
        frames = sorted(work.glob("splash-native-*.png"))
        shot = work / "splash-browser.png"
        driver.save_screenshot(str(shot))
        box, view = driver.execute_script(
            "const r = document.getElementById('splash').getBoundingClientRect();"
            "return [[r.x, r.y, r.width, r.height], [innerWidth, innerHeight]];")
        box = [round(v) for v in box]
        check(frames and box[2:] == [400, 250] and box[:2] == [(view[0] - 400) // 2, (view[1] - 250) // 2],
              f"the splash's place: {box} in {view}")
        differing = [same_pixels(shot, box, frame, "splash", work) for frame in frames]
        check("0" in differing, f"the splash is none of the menu's splash frames: {differing}")
        state = driver.execute_script("return document.getElementById('menu').dataset.state")
        ActionChains(driver).move_to_element(driver.find_element(By.ID, "splash")).click().perform()
        check(not driver.find_element(By.ID, "splash").is_displayed()
              and driver.execute_script("return document.getElementById('menu').dataset.state") == state,
              "a click on the splash did not hide it, or reached the menu")
        page = Page(driver, url, work, args.shot, disc, keep_splash=True)
        driver.execute_script("for (const f of window.zulSplash) f();")
        check(not driver.find_elements(By.ID, "splash"), "the splash stayed after its time")
        check(not page.errors(), f"console errors with the splash: {page.errors()}")
    finally:
        driver.execute_cdp_cmd("Page.removeScriptToEvaluateOnNewDocument", {"identifier": held["identifier"]})


def wallpaper_behind(page):
    """Beside the menu the page shows the wallpaper: the picture the menu's wallpaper window picks
    in that second of the clock (site_shot asks the menu's own pick), tiled from the page's corner
    as the window tiles the menu's decoding of it. Switched off in the options window it is gone;
    switched on again with the other folder, that folder's pick shows."""
    driver, work = page.driver, page.work
    view = driver.execute_script("return [innerWidth, innerHeight, document.getElementById('menu')"
                                 ".getBoundingClientRect().right]")
    box = (round(view[2]), 0, view[0] - round(view[2]), view[1])  # right of the menu, where nothing else is

    def shows(name, folder):
        shot, expected = work / f"{name}-browser.png", work / f"{name}-native.png"
        # The picture loaded and drawn.
        driver.execute_async_script(
            "const done = arguments[0];"
            "const url = getComputedStyle(document.getElementById('wallpaper')).backgroundImage"
            ".match(/url\\(\"(.*)\"\\)/);"
            "if (!url) return done(); const i = new Image();"
            "i.onload = i.onerror = () => requestAnimationFrame(() => requestAnimationFrame(done)); i.src = url[1];")
        driver.save_screenshot(str(shot))
        if folder is None:
            run("convert", "-size", f"{box[2]}x{box[3]}", "xc:black", expected)
        else:
            element = driver.find_element(By.ID, "wallpaper")
            second, index = (int(element.get_attribute(f"data-{key}")) for key in ("second", "picture"))
            pictures = driver.execute_script("return ZUL_SITE.wallpaper.folders[arguments[0]]", folder)
            picked = run(page.shot_tool, page.disc, f"wallpaper={second}:{len(pictures)}").stdout.strip()
            check(str(index) == picked,
                  f"{name}: the page picked wallpaper {index} in second {second}, the menu {picked}")
            run(page.shot_tool, page.disc, f"picture={pictures[index]['file']}|{expected}")
            run("convert", "-size", f"{view[0]}x{view[1]}", f"tile:{expected}",
                "-crop", f"{box[2]}x{box[3]}+{box[0]}+{box[1]}", "+repage", expected)
        differing = same_pixels(shot, box, expected, name, work)
        check(differing == "0", f"{name}: beside the menu the page is not the menu's wallpaper ({differing})")

    shows("wallpaper", 0)
    page.click("options")
    driver.find_element(By.CSS_SELECTOR, '[data-role="options-wallpaper"]').click()
    driver.find_element(By.CSS_SELECTOR, '[data-role="options-ok"]').click()
    shows("wallpaper-off", None)
    page.click("options")
    driver.find_element(By.CSS_SELECTOR, '[data-role="options-wallpaper"]').click()
    Select(driver.find_element(By.CSS_SELECTOR, '[data-role="options-wallpaper-folder"]')).select_by_index(1)
    driver.find_element(By.CSS_SELECTOR, '[data-role="options-ok"]').click()
    shows("wallpaper-retro", 1)

def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--zulcheck", required=True)
    parser.add_argument("--shot", required=True)
    parser.add_argument("--demo", required=True)
    args = parser.parse_args()

    with tempfile.TemporaryDirectory() as temp:
        work = pathlib.Path(os.environ.get("ZUL_SITE_TEST_KEEP", temp))
        work.mkdir(parents=True, exist_ok=True)
        disc = work / "disc"
        result = run(args.demo, disc)
        if result.returncode != 0:
            print(result.stderr)
            return 1
        site = work / "site"

        # A disc that does not start: the menu's own error line and status, and no site.
        empty = work / "empty"
        empty.mkdir()
        result = run(args.zulcheck, "--site", site, empty)
        check(result.returncode == 1 and "Fatal Error: Can't find main file!!!" in result.stderr,
              f"a disc without a script: status {result.returncode}, {result.stderr!r}")
        check(not site.exists(), "a disc that did not start left a site")

        result = run(args.zulcheck, "--site", site, disc)
        check(result.returncode == 0, f"zulcheck --site failed: {result.stderr}")
        # An existing site stays unless --force; with it, it is replaced whole.
        (site / "mine.txt").write_text("kept")
        result = run(args.zulcheck, "--site", site, disc)
        check(result.returncode == 1 and "not empty" in result.stderr and (site / "mine.txt").exists(),
              f"an existing site was not refused: {result.returncode} {result.stderr!r}")
        result = run(args.zulcheck, "--site", "--force", site, disc)
        check(result.returncode == 0 and not (site / "mine.txt").exists() and (site / "index.html").exists(),
              f"--force did not replace the site: {result.stderr!r}")
        check(sorted(p.name for p in work.iterdir()) == ["disc", "empty", "site"],
              f"temporary folders left: {sorted(p.name for p in work.iterdir())}")

        driver = browser()
        try:
            # From a local web server.
            handler = functools.partial(QuietHandler, directory=str(site))
            server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
            threading.Thread(target=server.serve_forever, daemon=True).start()
            try:
                splash_at_start(driver, args, work, f"http://127.0.0.1:{server.server_port}/index.html", disc)
                page = Page(driver, f"http://127.0.0.1:{server.server_port}/index.html", work, args.shot, disc)
                banners_change(page, args.shot, disc, work)
                page = Page(driver, f"http://127.0.0.1:{server.server_port}/index.html", work, args.shot, disc)
                walk(page, args.shot, disc, work, "http")
                viewer_keys(page)
                setups_and_links(page, site)
                link_question(page, args.shot, disc, work)
                sound_plays(page)
                music_tab(page, args.shot, disc, work)
                music_strip(page, args.shot, disc, work)
                search_box(page, args.shot, disc, work)
                wallpaper_behind(page)
                check(not page.errors(), f"console errors from the server: {page.errors()}")
            finally:
                server.shutdown()
            missing = [p for p in QuietHandler.requests
                       if not (site / p.lstrip("/").split("?")[0]).resolve().is_relative_to(site.resolve())
                       or not (site / p.lstrip("/").split("?")[0]).is_file()]
            check(not missing, f"requests outside the site or for missing files: {missing}")

            # From file://: the same walk, every resource from the site's folder.
            page = Page(driver, (site / "index.html").as_uri(), work)
            walk(page, args.shot, disc, work, "file")
            check(not page.errors(), f"console errors from file://: {page.errors()}")
            outside = driver.execute_script(
                "return performance.getEntriesByType('resource').map(e => e.name)"
                ".filter(n => !n.startsWith(arguments[0]));", site.as_uri() + "/")
            check(not outside, f"fetched from outside the site: {outside}")

            long_list(driver, args, work)
            link_markup(driver, args, work, disc)
            language_question(driver, args, work, site, disc)

            # Markup in a disc's text is shown as text and runs nowhere.
            _, site_of_hostile = hostile_site(args, disc, work, "hostile", b"Star Miner",
                                              b"<script>window.pwned=1</script><img src=x onerror=window.pwned=1>")
            page = Page(driver, (site_of_hostile / "index.html").as_uri(), work)
            check(driver.execute_script("return window.pwned === undefined"), "markup from the disc ran")
            text = driver.execute_script("return document.getElementById('menu').textContent")
            check("<script>window.pwned=1</script>" in text, "the disc's markup is not shown as text")
            check(not driver.find_elements(By.CSS_SELECTOR, "#menu script, #menu img[src='x']"),
                  "the disc's markup became elements")

            # Without the disc's files the setup button says where on the disc the setup is.
            bare_site = work / "bare-site"
            result = run(args.zulcheck, "--site", "--no-files", bare_site, disc)
            check(result.returncode == 0 and not (bare_site / "disc").exists(),
                  f"--no-files: {result.returncode} {result.stderr!r}")
            page = Page(driver, (bare_site / "index.html").as_uri(), work)
            page.click("row=1")
            page.click("setup")
            told = driver.find_element(By.CSS_SELECTOR, ".box-text").text
            check(told.endswith("soft\\turbodrift\\setup.sh"), f"--no-files' setup button says: {told!r}")
        finally:
            driver.quit()

    if failures:
        print(f"{len(failures)} failure(s)")
        return 1
    print("the site shows the menu as the menu does")
    return 0


if __name__ == "__main__":
    sys.exit(main())
