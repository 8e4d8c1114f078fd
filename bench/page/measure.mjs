// The phone page's figures for docs/performance.md, in headless Chromium on
// loopback against `quenda --demo serve` (run by hand after `npm ci` in
// tests/page: node bench/page/measure.mjs [path/to/quenda]):
//   - the page's weight as served: its files, and the API's data of a first visit;
//   - first paint of the signed-in page, and the unit shown (its state drawn), over 15 loads;
//   - a touch move on band 3 to its frame at the simulated unit, over 60 moves,
//     and the part of it from when the page's handler got the move.
// Frame times come from the program's quenda.frames log, touch times from the
// pointer events' own time stamps; both are the machine's wall clock.
import { loadavg } from 'node:os';
import { Server, centreOf, launch, nextFrame, phone, signedIn, waitFor } from '../../tests/page/lib.js';

const kLoads = 15;
const kMoves = 60;
const kStepPx = 3;

if (process.argv[2])
    process.env.QUENDA = process.argv[2];

function summary(values) {
    const sorted = [...values].sort((a, b) => a - b);
    const at = q => sorted[Math.min(sorted.length - 1, Math.floor(q * sorted.length))];
    const fixed = v => v.toFixed(1);
    return `median ${fixed(at(0.5))} ms, p90 ${fixed(at(0.9))}, min ${fixed(sorted[0])}, max ${fixed(sorted.at(-1))} (${values.length})`;
}

async function weight(page) {
    const files = new Map();
    const api = new Map();
    page.on('response', async response => {
        const path = new URL(response.url()).pathname;
        const bytes = (await response.body().catch(() => Buffer.alloc(0))).length;
        (path.startsWith('/api/') ? api : files).set(path, bytes);
    });
    let stateBytes = 0;
    page.on('websocket', socket => socket.on('framereceived', frame => {
        if (!stateBytes && String(frame.payload).startsWith('{') && JSON.parse(frame.payload).type === 'state')
            stateBytes = Buffer.byteLength(frame.payload);
    }));
    await page.reload();
    await page.locator('.handle').first().waitFor();
    await waitFor(() => stateBytes > 0, 5000, 'the state');
    const total = [...files.values()].reduce((a, b) => a + b, 0);
    console.log(`page weight as served: ${total} bytes (${(total / 1024).toFixed(1)} KiB) in ${files.size} files:`);
    for (const [path, bytes] of files)
        console.log(`  ${path} ${bytes}`);
    console.log(`  then the API: ${[...api].map(([p, b]) => `${p} ${b}`).join(', ')}, the state message ${stateBytes} bytes`);
}

async function firstPaint(context, server) {
    const paints = [];
    const shown = [];
    for (let i = 0; i < kLoads; ++i) {
        const page = await context.newPage();
        await page.goto(server.url);
        await page.locator('.handle').first().waitFor();
        const times = await page.evaluate(() => new Promise(done => {
            const look = () => {
                const mark = performance.getEntriesByName('quenda-unit-shown')[0];
                const paint = performance.getEntriesByName('first-contentful-paint')[0];
                if (mark && paint)
                    done([paint.startTime, mark.startTime]);
                else
                    requestAnimationFrame(look);
            };
            look();
        }));
        paints.push(times[0]);
        shown.push(times[1]);
        await page.close();
    }
    console.log(`first contentful paint of the signed-in page: ${summary(paints)}`);
    console.log(`unit shown (state drawn, next frame): ${summary(shown)}`);
}

async function touchToFrame(context, page, server) {
    await page.reload();
    await page.locator('.handle').first().waitFor();
    await page.evaluate(() => {
        window.moves = [];
        // when the browser took the touch, and when the page got its event
        document.addEventListener('pointermove', e => window.moves.push([performance.timeOrigin + e.timeStamp,
            performance.timeOrigin + performance.now()]), true);
    });
    const band3 = page.locator('[data-channel="0"] .handle[data-band="2"]');
    const from = await centreOf(band3);
    const cdp = await context.newCDPSession(page);
    const finger = x => [{ id: 1, x, y: from.y, radiusX: 4, radiusY: 4, force: 1 }];
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: finger(from.x) });
    const latencies = [];
    const inPage = [];
    for (let i = 1; i <= kMoves; ++i) {
        const count = server.framesOf('channel 0 group 5').length;
        const moved = await page.evaluate(() => window.moves.length);
        await cdp.send('Input.dispatchTouchEvent', { type: 'touchMove', touchPoints: finger(from.x + i * kStepPx) });
        const frame = await waitFor(() => server.framesOf('channel 0 group 5')[count], 5000, 'the frame');
        const movedAt = await waitFor(() => page.evaluate(n => window.moves[n], moved), 5000, 'the move');
        latencies.push(frame.at - movedAt[0]);
        inPage.push(frame.at - movedAt[1]);
        await nextFrame(page);
    }
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
    console.log(`touch move to its frame at the simulated unit: ${summary(latencies)}`);
    console.log(`  of which from the page's pointermove handler on: ${summary(inPage)}`);
}

const server = await Server.start();
const browser = await launch();
try {
    console.log(`load average ${loadavg().map(l => l.toFixed(2)).join(' ')}, ${browser.version()}`);
    const { context, page } = await signedIn(browser, server, phone);
    await weight(page);
    await firstPaint(context, server);
    await touchToFrame(context, page, server);
    console.log(`load average ${loadavg().map(l => l.toFixed(2)).join(' ')}`);
} finally {
    await browser.close();
    await server.dispose();
}
