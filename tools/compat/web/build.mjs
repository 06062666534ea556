// Builds one static page per editor into dist/: the editor and its styles bundled beside the page,
// the document the one of plain.html, so that the pages need no network when the suite opens them.
import * as esbuild from 'esbuild';
import {existsSync, readFileSync, rmSync, writeFileSync} from 'node:fs';

// Each editor, with the style that lets it fill the window: the suite clicks into its middle.
const editors = {
    prosemirror: '.ProseMirror { min-height: 100vh; box-sizing: border-box; padding: 8px; outline: none; }',
    ckeditor: '.ck-editor__editable { min-height: calc(100vh - 60px); }',
    quill: '#editor { height: calc(100vh - 60px); }',
    trix: 'trix-editor { min-height: calc(100vh - 80px); }',
    codemirror: '.cm-editor { height: 100vh; }',
    monaco: '#editor { height: 100vh; }',
};

const plain = readFileSync('plain.html', 'utf8');
const document = plain.match(/<div id="editor" contenteditable="true">(.*)<\/div>\n/)[1];

rmSync('dist', {recursive: true, force: true});
await esbuild.build({
    entryPoints: Object.keys(editors).map(name => `src/${name}.js`),
    outdir: 'dist',
    bundle: true,
    minify: true,
    format: 'iife',
    charset: 'utf8',
    loader: {'.ttf': 'file'},
    logLevel: 'warning',
});
for (const [name, style] of Object.entries(editors)) {
    const css = existsSync(`dist/${name}.css`) ? `<link rel="stylesheet" href="${name}.css">\n` : '';
    writeFileSync(`dist/${name}.html`, `<!DOCTYPE html>
<meta charset="utf-8">
<title>${name}</title>
${css}<style>
html, body { margin: 0; font: 16px sans-serif; }
${style}
</style>
<div id="source" hidden>${document}</div>
<div id="editor"></div>
<script src="${name}.js"></script>
`);
}
