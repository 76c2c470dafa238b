// Takes the README's picture of the phone remote page, as a phone shows it.
// Called by tools/make-remote-screenshot.sh with the page's address, Quorva's
// console log (where the pairing PIN appears) and the PNG to write.
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { createRequire } from "node:module";

// puppeteer-core is installed for the browser test; this tool borrows it.
const require = createRequire(new URL("../tests/browser/package.json", import.meta.url));
const puppeteer = require("puppeteer-core");

const [base, log, out] = process.argv.slice(2);
const profile = fs.mkdtempSync(path.join(os.tmpdir(), "quorva-chromium-"));
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

async function pinFromLog() {
  for (let i = 0; i < 100; i++) {
    const match = fs.readFileSync(log, "utf8").match(/^Remote: pairing PIN (\d{6})$/m);
    if (match) return match[1];
    await sleep(100);
  }
  throw new Error("no PIN in " + log);
}

const browser = await puppeteer.launch({
  executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
  headless: true,
  userDataDir: profile,
  args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run", "--disable-background-networking",
         "--disable-component-update", "--disable-sync"],
});
try {
  const page = await browser.newPage();
  // A common phone held upright.
  await page.setViewport({ width: 390, height: 844, deviceScaleFactor: 2, isMobile: true, hasTouch: true });
  await page.goto(base, { waitUntil: "load" });
  await page.waitForSelector("#pairing:not([hidden])");
  await page.type("#pin", await pinFromLog());
  await page.click("#pair");
  await page.waitForSelector("#main:not([hidden])");
  await page.waitForFunction(() => document.querySelector("#duration").textContent !== "", { timeout: 15000 });
  // A few seconds in, so that the bar shows some progress.
  await sleep(4000);
  await page.screenshot({ path: out });
} finally {
  await browser.close();
  fs.rmSync(profile, { recursive: true, force: true });
}
