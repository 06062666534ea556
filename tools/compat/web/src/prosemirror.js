// ProseMirror with the basic schema, its history and its key bindings.
import '../title.js';
import 'prosemirror-view/style/prosemirror.css';
import {baseKeymap, toggleMark} from 'prosemirror-commands';
import {history, redo, undo} from 'prosemirror-history';
import {keymap} from 'prosemirror-keymap';
import {DOMParser} from 'prosemirror-model';
import {schema} from 'prosemirror-schema-basic';
import {EditorState} from 'prosemirror-state';
import {EditorView} from 'prosemirror-view';

const source = document.createElement('div');
source.innerHTML = document.getElementById('source').innerHTML;
const keys = {'Mod-z': undo, 'Shift-Mod-z': redo, 'Mod-y': redo, 'Mod-b': toggleMark(schema.marks.strong)};
const view = new EditorView(document.getElementById('editor'), {
    state: EditorState.create({
        doc: DOMParser.fromSchema(schema).parse(source),
        plugins: [history(), keymap(keys), keymap(baseKeymap)],
    }),
});
quilletTitle.richText(view.dom);
view.focus();
