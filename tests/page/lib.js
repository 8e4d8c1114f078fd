// What the page tests and the page benchmark share: `quenda --demo serve` on
// 127.0.0.1 at a free port, with the frames its simulated unit received read
// from the program's own log (quenda.frames, time-stamped by Qt's message
// pattern); Debian's Chromium driven by playwright-core; an API client with a
// paired browser's token; touch input through the DevTools protocol.
import { spawn, execFile } from 'node:child_process';
import { mkdtemp, mkdir, rm } from 'node:fs/promises';
import { createServer } from 'node:net';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

const here = dirname(fileURLToPath(import.meta.url));
export const quenda = process.env.QUENDA ?? resolve(here, '../../build/quenda');
export const chromiumPath = process.env.CHROMIUM ?? '/usr/bin/chromium';
const kStartMs = 10000;

export const phone = { viewport: { width: 390, height: 844 }, hasTouch: true, isMobile: true, deviceScaleFactor: 2 };
export const desktop = { viewport: { width: 1280, height: 900 } };

// Polls until check returns something other than undefined/false, or fails after timeout ms.
export async function waitFor(check, timeout = 5000, what = 'the condition') {
    const end = Date.now() + timeout;
    for (;;) {
        const value = await check();
        if (value !== undefined && value !== false && value !== null)
            return value;
        if (Date.now() > end)
            throw new Error(`timed out waiting for ${what}`);
        await new Promise(r => setTimeout(r, 10));
    }
}

export function freePort() {
    return new Promise((done, fail) => {
        const server = createServer();
        server.on('error', fail);
        server.listen(0, '127.0.0.1', () => {
            const { port } = server.address();
            server.close(() => done(port));
        });
    });
}

// "sent channel 0 group 5: e8 03 …" → {what: 'channel 0 group 5', bytes: [0xe8, 3, …], at: ms since 1970}.
function frameOf(line) {
    const match = /^(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}) quenda\.frames sent ([^:]+)(?:: ([0-9a-f ]+))?$/.exec(line);
    if (!match)
        return null;
    return { at: Date.parse(`${match[1]}Z`), what: match[2], bytes: match[3] ? match[3].split(' ').map(h => parseInt(h, 16)) : [] };
}

// A band record of a set-parameter frame: frequency, gain and width as the unit keeps them.
export function bandOfFrame(frame) {
    const word = i => frame.bytes[i] | (frame.bytes[i + 1] << 8);
    return { frequencyHz: word(0), gainDb: Math.round(word(2) - 120) / 10, widthOctaves: Math.round(word(4) + 5) / 100 };
}

export class Server {
    constructor(home, port) {
        this.home = home;
        this.port = port;
        this.url = `http://127.0.0.1:${port}`;
        this.frames = [];
        this.log = '';
    }

    // A serve with the paired devices of home, or a new home.
    static async start({ home, port, units = 1 } = {}) {
        home ??= await mkdtemp(join(tmpdir(), 'quenda-page-'));
        port ??= await freePort();
        const server = new Server(home, port);
        await server.run(units);
        return server;
    }

    env() {
        return {
            ...process.env,
            HOME: this.home,
            XDG_CONFIG_HOME: join(this.home, 'config'),
            XDG_RUNTIME_DIR: join(this.home, 'runtime'),
            TZ: 'UTC',
            QT_LOGGING_RULES: 'quenda.frames.info=true',
            QT_MESSAGE_PATTERN: '%{time yyyy-MM-ddTHH:mm:ss.zzz} %{category} %{message}',
        };
    }

    async run(units) {
        this.units = units;
        await mkdir(join(this.home, 'runtime'), { recursive: true, mode: 0o700 });
        const args = ['--demo', 'serve', '--listen', `127.0.0.1:${this.port}`];
        if (units > 1)
            args.push('--demo-units', String(units));
        this.frames = [];
        this.process = spawn(quenda, args, { env: this.env(), stdio: ['ignore', 'ignore', 'pipe'] });
        this.exited = new Promise(done => this.process.on('exit', done));
        let pending = '';
        this.process.stderr.setEncoding('utf8');
        this.process.stderr.on('data', chunk => {
            this.log += chunk;
            pending += chunk;
            const lines = pending.split('\n');
            pending = lines.pop();
            for (const line of lines) {
                const frame = frameOf(line);
                if (frame)
                    this.frames.push(frame);
            }
        });
        const offer = await waitFor(() => /enter the code (\d{6})/.exec(this.log), kStartMs, `serve to start:\n${this.log}`);
        this.code = offer[1];
        this.link = /(http:\/\/\S+\/#pair=\S+)/.exec(this.log)[1];
    }

    async stop() {
        if (!this.process || this.process.exitCode !== null)
            return;
        this.process.kill('SIGTERM');
        await this.exited;
    }

    async restart() {
        await this.stop();
        await this.run(this.units);
    }

    // A fresh code from `quenda pair`, as a second device gets one.
    freshCode() {
        return new Promise((done, fail) => {
            execFile(quenda, ['pair'], { env: this.env() }, (error, stdout) => {
                const code = /enter the code (\d{6})/.exec(stdout);
                if (error || !code)
                    fail(error ?? new Error(stdout));
                else
                    done(code[1]);
            });
        });
    }

    async dispose() {
        await this.stop();
        await rm(this.home, { recursive: true, force: true });
    }

    // The frames received since mark (an index into frames) that match what.
    framesOf(what, mark = 0) {
        return this.frames.slice(mark).filter(frame => frame.what === what);
    }
}

// The API as a script sees it, with a token.
export class Api {
    constructor(server, token) {
        this.server = server;
        this.token = token;
    }

    // The token of a browser context that paired: the page's cookie.
    static async of(server, context) {
        const cookie = (await context.cookies(server.url)).find(c => c.name === 'quenda_token');
        if (!cookie)
            throw new Error('the context has not paired');
        return new Api(server, cookie.value);
    }

    async call(method, path, body) {
        const response = await fetch(`${this.server.url}/api/v1${path}`, {
            method,
            headers: { Authorization: `Bearer ${this.token}`, ...(body ? { 'Content-Type': 'application/json' } : {}) },
            body: body ? JSON.stringify(body) : undefined,
        });
        return { status: response.status, body: await response.json() };
    }

    async unitId() {
        return (await this.call('GET', '/units')).body.units[0].id;
    }

    async state() {
        return (await this.call('GET', `/units/${encodeURIComponent(await this.unitId())}`)).body;
    }

    async patch(change) {
        return this.call('PATCH', `/units/${encodeURIComponent(await this.unitId())}/settings`, change);
    }
}

// playwright-core gives the browser a fresh --user-data-dir of its own, and removes it on close.
export function launch() {
    return chromium.launch({
        executablePath: chromiumPath,
        args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
            '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    });
}

// A context of its own (no cookie, no storage) paired with the code on the sign-in page.
export async function signedIn(browser, server, options = phone) {
    const context = await browser.newContext(options);
    const page = await context.newPage();
    await page.goto(server.url);
    await page.locator('#pair-code').fill(server.code);
    await page.locator('#pair-button').click();
    await page.locator('#unit').waitFor();
    await page.locator('.handle').first().waitFor();
    return { context, page };
}

// One finger's drag through the DevTools protocol; each move waits for the page's next frame.
export async function touchDrag(page, from, to, moves, { onMove } = {}) {
    const cdp = await page.context().newCDPSession(page);
    const point = (x, y) => ({ x, y, id: 1, radiusX: 4, radiusY: 4, force: 1 });
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [point(from.x, from.y)] });
    for (let i = 1; i <= moves; ++i) {
        const x = from.x + (to.x - from.x) * i / moves;
        const y = from.y + (to.y - from.y) * i / moves;
        await cdp.send('Input.dispatchTouchEvent', { type: 'touchMove', touchPoints: [point(x, y)] });
        if (onMove)
            await onMove(i);
        await nextFrame(page);
    }
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
    await cdp.detach();
}

export function nextFrame(page) {
    return page.evaluate(() => new Promise(done => requestAnimationFrame(() => done())));
}

export async function centreOf(locator) {
    const box = await locator.boundingBox();
    return { x: box.x + box.width / 2, y: box.y + box.height / 2 };
}
