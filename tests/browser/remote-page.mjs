// Drives the phone remote page in headless Chromium, as a phone would: checks
// that the page stands on its own and fits a phone both ways up, pairs with the
// PIN it is given on standard input, then presses the keys named on the command
// line and waits for each to be answered ("search=TEXT" types TEXT in the search
// box instead, once a line on standard input says so). Reports on standard
// output, one line a step: "PIN?" when it waits for the PIN, "PRESSED KEY",
// "SEARCH?" when it waits to search and "SEARCHED TEXT", then "DONE".
//
//   node remote-page.mjs http://127.0.0.1:PORT/ Down Select
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import readline from "node:readline";
import puppeteer from "puppeteer-core";

const [base, ...keys] = process.argv.slice(2);
const chromium = process.env.CHROMIUM || "/usr/bin/chromium";
const profile = fs.mkdtempSync(path.join(os.tmpdir(), "quorva-chromium-"));
const lines = readline.createInterface({ input: process.stdin })[Symbol.asyncIterator]();
const problems = [];
let browser;

const say = (line) => process.stdout.write(line + "\n");
const check = (ok, what) => { if (!ok) problems.push(what); };

// Every button in sight, none smaller than a thumb.
async function checkLayout(page, width, height) {
  await page.setViewport({ width, height, deviceScaleFactor: 2, isMobile: true, hasTouch: true });
  for (const button of await page.$$("#main button")) {
    const box = await button.boundingBox();
    const label = await button.evaluate((b) => b.dataset.key || b.id);
    check(box && box.x >= 0 && box.y >= 0 && box.x + box.width <= width + 0.5 && box.y + box.height <= height + 0.5,
          `${label} outside the ${width}x${height} view`);
    check(box && box.height >= 44 && box.width >= 44, `${label} smaller than 44 px at ${width}x${height}`);
  }
}

try {
  browser = await puppeteer.launch({
    executablePath: chromium,
    headless: true,
    userDataDir: profile,
    args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run", "--disable-background-networking",
           "--disable-component-update", "--disable-sync"],
  });
  const page = await browser.newPage();
  const origin = new URL(base).origin;
  page.on("request", (request) => check(request.url().startsWith(origin) || request.url().startsWith("blob:"),
                                         "fetched from elsewhere: " + request.url()));
  page.on("pageerror", (error) => problems.push("script error: " + error.message));
  await page.setViewport({ width: 390, height: 844, deviceScaleFactor: 2, isMobile: true, hasTouch: true });
  await page.goto(base, { waitUntil: "load" });

  await page.waitForSelector("#pairing:not([hidden])", { timeout: 10000 });
  await page.waitForFunction(() => /PIN on the TV/.test(document.querySelector("#message").textContent),
                             { timeout: 10000 });
  say("PIN?");
  const pin = (await lines.next()).value.trim();
  await page.type("#pin", pin);
  await page.click("#pair");
  await page.waitForSelector("#main:not([hidden])", { timeout: 10000 });
  check(await page.evaluate(() => localStorage.getItem("quorvaToken")?.length === 32), "no token kept");

  await checkLayout(page, 844, 390);
  await checkLayout(page, 390, 844);

  for (const key of keys) {
    // "search=TEXT" types TEXT into the search box, letter by letter.
    if (key.startsWith("search=")) {
      const text = key.slice(7);
      // The caller says when: a line on standard input.
      say("SEARCH?");
      await lines.next();
      const searched = page.waitForResponse((response) => response.url().endsWith("/api/search") &&
                                                          response.request().postData() === text,
                                            { timeout: 10000 });
      await page.type("#search", text, { delay: 30 });
      const response = await searched;
      check(response.status() === 200, `search answered ${response.status()}`);
      say("SEARCHED " + text);
      continue;
    }
    const answered = page.waitForResponse((response) => response.url().endsWith("/api/press/" + key),
                                          { timeout: 10000 });
    await page.click(`[data-key="${key}"]`);
    const response = await answered;
    check(response.status() === 200, `${key} answered ${response.status()}`);
    say("PRESSED " + key);
  }
  // The page keeps what is playing up to date.
  await page.waitForResponse((response) => response.url().endsWith("/api/now") && response.status() === 200,
                             { timeout: 5000 });
} catch (error) {
  problems.push(String(error && error.message || error));
} finally {
  if (browser) await browser.close();
  fs.rmSync(profile, { recursive: true, force: true });
}
for (const problem of problems) say("PROBLEM " + problem);
say("DONE");
process.exit(problems.length ? 1 : 0);
