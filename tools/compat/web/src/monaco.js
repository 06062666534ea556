// Monaco, the editor alone, lines wrapped; the document as plain text, a line a paragraph. Its
// workers cannot start from a file: it does their work itself.
import '../title.js';
import * as monaco from 'monaco-editor/editor/editor.api';

const source = document.getElementById('source');
const editor = monaco.editor.create(document.getElementById('editor'), {
    value: quilletTitle.blocksText(source),
    language: 'plaintext',
    wordWrap: 'on',
    automaticLayout: true,
    minimap: {enabled: false},
});
source.remove();
const later = quilletTitle.show(
    () => ({text: editor.getValue(), selection: editor.getModel().getValueInRange(editor.getSelection())}),
    editor.getContainerDomNode());
editor.onDidChangeModelContent(later);
editor.onDidChangeCursorSelection(later);
editor.focus();
