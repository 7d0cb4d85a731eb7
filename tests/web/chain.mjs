// The real chain the page is tested against: a mosquitto serving the built page, simulated
// buses and their gateways, on free loopback ports, all stopped at the end.
import { spawn, execFileSync } from 'node:child_process';
import { mkdtempSync, writeFileSync, readFileSync, rmSync, existsSync } from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';

export const DEVICES = `andon      10001 01 01
marquee    10002 01 02
numeric    10003 01 03
stacklight 10004 01 04
tune       10005 01 05
headend    10006 01 06
`;

export function freePort() {
  return new Promise((resolve, reject) => {
    const server = net.createServer();
    server.on('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });
}

function accepts(port) {
  return new Promise((resolve) => {
    const socket = net.connect(port, '127.0.0.1');
    socket.on('connect', () => { socket.destroy(); resolve(true); });
    socket.on('error', () => resolve(false));
  });
}

// Generous: a machine busy with builds starts programs slowly; nothing here depends on speed.
export async function until(what, check, ms = 30000) {
  const end = Date.now() + ms;
  for (;;) {
    const value = await check();
    if (value) return value;
    if (Date.now() > end) throw new Error(`timed out waiting for ${what}`);
    await new Promise((r) => setTimeout(r, 50));
  }
}

function mosquittoProgram() {
  return ['/usr/sbin/mosquitto', '/usr/local/sbin/mosquitto'].find(existsSync) || 'mosquitto';
}

export class Chain {
  constructor({ binary, site }) {
    this.binary = binary;
    this.site = site;
    this.dir = mkdtempSync(path.join(os.tmpdir(), 'tvx-web-'));
    this.children = new Map(); // name -> child process
    writeFileSync(path.join(this.dir, 'devices'), DEVICES);
    // Should this program die before close(), nothing it started outlives it (a gateway would,
    // as it never writes to the pipe that closed).
    process.on('exit', () => {
      for (const child of this.children.values()) if (child.exitCode === null) child.kill('SIGKILL');
    });
  }

  spawn(name, program, args) {
    const log = path.join(this.dir, `${name}.log`);
    const child = spawn(program, args, { stdio: ['ignore', 'pipe', 'pipe'] });
    child.output = '';
    const keep = (chunk) => { child.output += chunk; };
    child.stdout.on('data', keep);
    child.stderr.on('data', keep);
    child.exited = new Promise((resolve) => child.on('exit', (code, signal) => resolve({ code, signal })));
    child.log = log;
    this.children.set(name, child);
    return child;
  }

  // users: {name: {password, acl: ['readwrite tvxorm/#', ...]}}. Gateways and test clients
  // use the MQTT listener, anonymous and unrestricted; the page's listener wants a user.
  async startBroker(users) {
    this.mqttPort = await freePort();
    this.webPort = await freePort();
    const passwords = path.join(this.dir, 'passwords');
    writeFileSync(passwords, '');
    const acl = [];
    for (const [user, { password, acl: lines }] of Object.entries(users)) {
      execFileSync('mosquitto_passwd', ['-b', passwords, user, password]);
      acl.push(`user ${user}`, ...lines.map((l) => `topic ${l}`), '');
    }
    writeFileSync(path.join(this.dir, 'acl'), acl.join('\n'));
    writeFileSync(path.join(this.dir, 'mosquitto.conf'), [
      // Started as root, mosquitto would become the user 'mosquitto', who cannot read this folder.
      'per_listener_settings true', 'persistence false', 'log_dest stderr', `user ${os.userInfo().username}`,
      `listener ${this.mqttPort} 127.0.0.1`, 'allow_anonymous true',
      `listener ${this.webPort} 127.0.0.1`, 'protocol websockets', `http_dir ${this.site}`,
      'allow_anonymous false', `password_file ${passwords}`, `acl_file ${path.join(this.dir, 'acl')}`, '',
    ].join('\n'));
    this.spawn('mosquitto', mosquittoProgram(), ['-c', path.join(this.dir, 'mosquitto.conf')]);
    const broker = this.children.get('mosquitto');
    await until('the broker', async () => {
      if (broker.exitCode !== null) throw new Error(`mosquitto stopped: ${broker.output}`);
      return (await accepts(this.mqttPort)) && (await accepts(this.webPort));
    });
    return { broker: `mqtt://127.0.0.1:${this.mqttPort}`, page: `http://127.0.0.1:${this.webPort}/` };
  }

  // With consolePort, the gateway also has a shared port for consoles (--listen), ready
  // when this returns: this.consolePorts[bus].
  async startBus(bus, { consolePort = false, pace = null } = {}) {
    const port = await freePort();
    const sim = this.spawn(`sim-${bus}`, this.binary,
      ['sim', '--headless', '--listen', String(port), '--devices', path.join(this.dir, 'devices')]);
    await until(`the ${bus} simulator`, () => accepts(port));
    const listen = consolePort ? await freePort() : null;
    this.spawn(`gateway-${bus}`, this.binary, ['gateway', '--bus', bus, '--tcp', `127.0.0.1:${port}`,
      '--broker', `mqtt://127.0.0.1:${this.mqttPort}`, '--devices', path.join(this.dir, 'devices'),
      '--state-dir', path.join(this.dir, `state-${bus}`), ...(listen ? ['--listen', String(listen)] : []),
      ...(pace === null ? [] : ['--pace', String(pace)])]);
    if (listen) {
      (this.consolePorts ??= {})[bus] = listen;
      await until(`the ${bus} gateway's console port`, () => accepts(listen));
    }
    return sim;
  }

  // What every program said, for a failure's message.
  logs() {
    return [...this.children].map(([name, child]) => `--- ${name}\n${child.output.slice(-2000)}`).join('\n');
  }

  async stop(name, signal = 'SIGTERM') {
    const child = this.children.get(name);
    if (!child || child.exitCode !== null || child.signalCode !== null) return;
    child.kill(signal);
    await child.exited;
  }

  async close() {
    // Gateways before the broker, so their stop is published; the broker last.
    const names = [...this.children.keys()].reverse();
    for (const name of names) await this.stop(name);
    rmSync(this.dir, { recursive: true, force: true });
  }
}
