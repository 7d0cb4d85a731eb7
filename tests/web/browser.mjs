// Debian's chromium driven by playwright-core, headless, with everything that would call
// outside the machine turned off.
import { createRequire } from 'node:module';
import { existsSync } from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const require = createRequire(path.join(here, '../../web/package.json'));
const { chromium } = require('playwright-core');

export const CHROMIUM = process.env.TVX_CHROMIUM || '/usr/bin/chromium';

export function chromiumPresent() {
  return existsSync(CHROMIUM);
}

export function launch() {
  return chromium.launch({
    executablePath: CHROMIUM,
    headless: true,
    args: [
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      '--disable-domain-reliability', '--disable-client-side-phishing-detection',
      '--disable-default-apps', '--no-first-run', '--no-pings', '--metrics-recording-only',
      '--disable-breakpad', '--dns-prefetch-disable',
      '--disable-features=Translate,OptimizationHints,MediaRouter,AutofillServerCommunication,' +
        'CertificateTransparencyComponentUpdater,InterestFeedContentSuggestions',
    ],
  });
}
