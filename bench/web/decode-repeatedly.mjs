// Decodes one stream N times with one decoder, for instructions.sh:
//   node decode-repeatedly.mjs draco|crt CRT_MJS FILE N
import { readFileSync } from 'node:fs';

import { crtDecoder, dracoDecoder } from './decoders.mjs';

const [codec, crtModule, file, count] = process.argv.slice(2);
const decode = codec === 'draco' ? await dracoDecoder() : await crtDecoder(crtModule);
const bytes = new Uint8Array(readFileSync(file));
for (let i = 0; i < Number(count); ++i) decode(bytes);
