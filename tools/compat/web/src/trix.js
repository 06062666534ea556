// Trix, given its document through a hidden input as a form would.
import '../title.js';
import 'trix/dist/trix.css';
import 'trix';

const input = document.createElement('input');
input.type = 'hidden';
input.id = 'document';
// Its own markup: a block is a div (it would keep a paragraph's margins as line breaks).
input.value = document.getElementById('source').innerHTML.replace(/<(\/?)p>/g, '<$1div>');
const editor = document.createElement('trix-editor');
editor.setAttribute('input', 'document');
editor.addEventListener('trix-initialize', () => {
    quilletTitle.richText(editor);
    editor.focus();
});
document.getElementById('editor').append(input, editor);
