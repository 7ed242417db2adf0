#!/usr/bin/env python3
"""Serves site/ as scripts/run.sh does (python3 -m http.server), on a free loopback port, and
checks the help pages that the help button opens: every page reachable from /dustwhirl/help/
answers 200, declares UTF-8 and is valid UTF-8, has a stylesheet, and every relative link,
picture and stylesheet resolves, down to the #fragment."""
import html.parser
import re
import subprocess
import sys
import urllib.error
import urllib.parse
import urllib.request

HELP = "/dustwhirl/help/"


class Page(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.refs, self.ids, self.stylesheets, self.charset = [], set(), [], None

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if a.get("id"):
            self.ids.add(a["id"])
        if tag == "meta" and a.get("charset"):
            self.charset = a["charset"].lower()
        if tag == "link" and a.get("rel") == "stylesheet":
            self.stylesheets.append(a.get("href"))
        self.refs += [a[key] for key in ("href", "src") if a.get(key)]


def canonical(url):
    url = urllib.parse.urldefrag(url).url
    return url + "index.html" if url.endswith("/") else url


def check(base):
    problems, pages, fragments = [], {}, []
    queue = [base + HELP]
    while queue:
        url = queue.pop()
        if canonical(url) in pages:
            continue
        try:
            with urllib.request.urlopen(url, timeout=10) as reply:
                status, header_charset, body = reply.status, reply.headers.get_content_charset(), reply.read()
        except urllib.error.URLError as e:
            problems.append(f"{url}: {e}")
            continue
        if status != 200:
            problems.append(f"{url}: status {status}")
        page = pages[canonical(url)] = Page()
        try:
            page.feed(body.decode("utf-8"))
        except UnicodeDecodeError as e:
            problems.append(f"{url}: not UTF-8 ({e})")
        if page.charset != "utf-8" or header_charset not in (None, "utf-8"):
            problems.append(f"{url}: charset {page.charset!r} (header {header_charset!r}), not utf-8")
        if not page.stylesheets:
            problems.append(f"{url}: no stylesheet")
        for ref in page.refs:
            target = urllib.parse.urljoin(url, ref)
            parts = urllib.parse.urlsplit(ref)
            if parts.scheme or parts.netloc:
                continue
            if parts.fragment:
                fragments.append((url, target))
            path = urllib.parse.urlsplit(target).path
            if path.startswith(HELP) and (path.endswith("/") or path.endswith(".html")):
                queue.append(urllib.parse.urldefrag(target).url)
            else:
                try:
                    urllib.request.urlopen(target, timeout=10).close()
                except urllib.error.URLError as e:
                    problems.append(f"{url}: {ref}: {e}")
    for source, target in fragments:
        page, fragment = pages.get(canonical(target)), urllib.parse.urldefrag(target).fragment
        if page is not None and fragment not in page.ids:
            problems.append(f"{source}: no #{fragment} in {canonical(target)}")
    if len(pages) < 2:
        problems.append(f"{base + HELP}: links to no other help page")
    return problems, sorted(pages)


def main():
    server = subprocess.Popen([sys.executable, "-u", "-m", "http.server", "0", "--bind", "127.0.0.1",
                               "--directory", sys.argv[1]], stdout=subprocess.PIPE, text=True)
    try:
        port = re.search(r"port (\d+)", server.stdout.readline())
        if not port:
            print("http.server did not start")
            return 1
        problems, pages = check(f"http://127.0.0.1:{port.group(1)}")
    finally:
        server.terminate()
        server.wait()
    print("\n".join(["checked:"] + pages + problems))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
