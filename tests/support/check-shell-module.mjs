// GNOME Shell 45 and later cannot run here, so their variant of the Shell extension is loaded in
// node instead, every gi:// and resource:// import replaced by a stand-in: fails unless it parses,
// runs its top level, and exports by default a class of the imported Extension with enable() and
// disable() of its own.
import {readFileSync, writeFileSync} from 'node:fs';
import {pathToFileURL} from 'node:url';

// Every property, call and construction of it gives it back.
const standIn = new Proxy(function () {}, {
    get: (_target, key) => (key === Symbol.toPrimitive ? () => 0 : standIn),
    apply: () => standIn,
    construct: () => standIn,
});
globalThis.standIn = standIn;

const source = readFileSync(process.argv[2], 'utf8').replace(
    /^import\s+(.+?)\s+from\s+'(?:gi|resource):\/\/[^']*';$/gm,
    (_line, names) => `const ${names.replace(/^\* as /, '')} = standIn;`);
// In the working folder, so that an error names a file and a line.
writeFileSync('gnome-shell-module.mjs', source);
const entry = (await import(pathToFileURL('gnome-shell-module.mjs'))).default;
const own = name => Object.hasOwn(entry?.prototype ?? {}, name);
if (typeof entry !== 'function' || Object.getPrototypeOf(entry) !== standIn || !own('enable') || !own('disable'))
    throw new Error('the default export is not an Extension with enable() and disable()');
